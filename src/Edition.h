// The edition this program was built as: "I" is the internal edition, which shows the
// internal-use warning and offers the development names; any other letter is the external one.
#pragma once

#include "BuildConfig.h"
#include "forms/Text.h"

inline const forms::String EditionCode = QStringLiteral(MXR_EDITION_CODE);
