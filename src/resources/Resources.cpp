// The library's string table and dialog layouts, compiled in from the rows of Resources.def
// (the Windows build also makes them real resources through Resources.rc).
#include "platform/StringTable.h"
#include "resources/ResourceIds.h"

#include <vector>

namespace
{

#define FIXORA_STRING(id, text) {id, text},
#define FIXORA_DIALOG(id, caption, style, cx, cy, font, points, weight)
#define FIXORA_CONTROL(cls, text, id, x, y, cx, cy, style)
#define FIXORA_DIALOG_END()
const StringResource s_strings[] = {
#include "resources/Resources.def"
};
#undef FIXORA_STRING
#undef FIXORA_CONTROL

// Every control of every dialog in order; a dialog's controls follow one another.
#define FIXORA_STRING(id, text)
#define FIXORA_CONTROL(cls, text, id, x, y, cx, cy, style)                                         \
    {cls, text, x, y, cx, cy, static_cast<DWORD>(style)},
const DialogControl s_controls[] = {
#include "resources/Resources.def"
};
#undef FIXORA_DIALOG
#undef FIXORA_CONTROL
#undef FIXORA_DIALOG_END

// The row kinds in file order: a dialog, each of its controls, its end.
enum class Row
{
    Dialog,
    Control,
    End
};
#define FIXORA_DIALOG(id, caption, style, cx, cy, font, points, weight) Row::Dialog,
#define FIXORA_CONTROL(cls, text, id, x, y, cx, cy, style) Row::Control,
#define FIXORA_DIALOG_END() Row::End,
const Row s_rows[] = {
#include "resources/Resources.def"
};
#undef FIXORA_DIALOG
#undef FIXORA_CONTROL
#undef FIXORA_DIALOG_END

#define FIXORA_DIALOG(id, caption, style, cx, cy, font, points, weight)                            \
    {id, caption, static_cast<DWORD>(style), cx, cy, font, points, weight, nullptr, 0},
#define FIXORA_CONTROL(cls, text, id, x, y, cx, cy, style)
#define FIXORA_DIALOG_END()
const DialogTemplate s_dialogTemplates[] = {
#include "resources/Resources.def"
};
#undef FIXORA_STRING
#undef FIXORA_DIALOG
#undef FIXORA_CONTROL
#undef FIXORA_DIALOG_END

// The templates with their controls attached, made once from the row order.
const std::vector<DialogTemplate>& GetDialogs()
{
    static const std::vector<DialogTemplate> dialogs = [] {
        std::vector<DialogTemplate> result;
        std::size_t nControl = 0;
        for (const Row row : s_rows)
        {
            if (row == Row::Dialog)
            {
                result.push_back(s_dialogTemplates[result.size()]);
                result.back().pControls = &s_controls[nControl];
            }
            else if (row == Row::Control)
            {
                if (!result.empty())
                {
                    ++result.back().nControls;
                }
                ++nControl;
            }
        }
        return result;
    }();
    return dialogs;
}

} // namespace

const StringResource* GetStringResources(int& nCount)
{
    nCount = static_cast<int>(sizeof(s_strings) / sizeof(s_strings[0]));
    return s_strings;
}

const DialogTemplate* FindDialogTemplate(UINT nId)
{
    for (const auto& dlg : GetDialogs())
    {
        if (dlg.nId == nId)
        {
            return &dlg;
        }
    }
    return nullptr;
}
