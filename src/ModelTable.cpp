#include "ModelTable.h"

#include "ModelTableData.h"
#include "forms/Controls.h"

#include <string>

forms::Long CategoryIndex = 0;

void LoadModelTable(forms::ListBox &lstMain)
{
    for (const char16_t *row : ModelTableRows) {
        // The rows are constants of the program: the list refers to them without a copy.
        lstMain.AddItem(QString::fromRawData(reinterpret_cast<const QChar *>(row),
                                             qsizetype(std::char_traits<char16_t>::length(row))));
    }
}

forms::String GroupName(const forms::String &code)
{
    forms::String result = "";
    for (const TypeGroup &type : TypeGroups) {
        if (code == QLatin1String(type.code)) {
            result = type.group;
            break;
        }
    }
    return result;
}
