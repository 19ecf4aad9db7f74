// The application object's version numbers come from the build (the project version).
#include "BuildConfig.h"
#include "forms/Program.h"

forms::Application forms::App{MXR_VERSION_MAJOR, MXR_VERSION_MINOR, MXR_VERSION_REVISION,
                              QStringLiteral("Model Cross Reference"),
                              QStringLiteral("com.tevra.ModelXref")};
