#include "app/MainWindowTips.h"

#include "lang/LanguageText.h"

namespace {

struct ControlTip {
    int id;
    int text;  // language text number
};

constexpr ControlTip kTips[] = {
    {400, 8},  {401, 9},  {402, 10}, {403, 11}, {404, 12}, {405, 13}, {406, 14},
    {407, 15}, {408, 16}, {409, 17}, {420, 18}, {438, 19}, {439, 20}, {440, 21},
    {441, 22}, {430, 23}, {431, 24}, {432, 25}, {433, 26}, {434, 27}, {435, 28},
    {436, 29}, {437, 30}, {518, 31}, {519, 32}, {521, 137},
};

}  // namespace

std::vector<std::unique_ptr<ui::CToolTipCtrl>> CreateMainWindowTips(QWidget* window) {
    std::vector<std::unique_ptr<ui::CToolTipCtrl>> tips;
    for (size_t i = 0; i < std::size(kTips); ++i)
        tips.push_back(std::make_unique<ui::CToolTipCtrl>(window));
    for (size_t i = 0; i < std::size(kTips); ++i)
        ui::AddControlTip(*tips[i], kTips[i].id, GetLanguageText(kTips[i].text));
    return tips;
}
