#include "dialogs/display/CColorSetupDlg.h"

#include <QLabel>

#include "dialogs/display/CColorCombo.h"

namespace {

// The window template, in dialog units.
constexpr QSize DIALOG_SIZE(152, 78);
constexpr int PICKER_X = 54;
constexpr int PICKER_WIDTH = 39;
// The template's height of 65 includes the open list; closed, a picker is as high as an edit.
constexpr int PICKER_HEIGHT = 12;
constexpr int LABEL_HEIGHT = 8;

// A label ends just before its picker.
struct CPickerRow {
    const char* Label;
    int LabelX;
    int LabelY;
    int PickerY;
};
constexpr CPickerRow BACKGROUND_ROW{"Background:", 11, 19, 18};
constexpr CPickerRow GRID_ROW{"Grid:", 36, 38, 36};
constexpr CPickerRow SOUND_ROW{"Sound:", 29, 55, 54};

std::uint8_t IndexOf(const CColorCombo& picker) {
    // No selection (-1) keeps its low eight bits, as the byte it is stored in does.
    return static_cast<std::uint8_t>(picker.currentIndex());
}

}  // namespace

CColorSetupDlg::CColorSetupDlg(const CGraphColorIndexes& current, QWidget* parent)
    : CTemplateDialog(tr("Color Setup"), QStringLiteral("Arial"), DIALOG_SIZE, parent),
      m_chosen(current),
      m_background(new CColorCombo(this)),
      m_sound(new CColorCombo(this)),
      m_grid(new CColorCombo(this)) {
    AddGroup(tr("Color Setup"), Place(9, 5, 90, 66));
    for (const auto& [row, picker, index] :
         {std::tuple{BACKGROUND_ROW, m_background, current.Background},
          std::tuple{GRID_ROW, m_grid, current.Grid},
          std::tuple{SOUND_ROW, m_sound, current.Curve}}) {
        AddLabel(tr(row.Label),
                 Place(row.LabelX, row.LabelY, PICKER_X - 1 - row.LabelX, LABEL_HEIGHT));
        picker->setAccessibleName(tr(row.Label));
        picker->Fill(index);
        picker->setGeometry(Place(PICKER_X, row.PickerY, PICKER_WIDTH, PICKER_HEIGHT));
    }
    PlaceButtons(Place(104, 22, 35, 14), Place(104, 40, 35, 14));
}

void CColorSetupDlg::OnOk() {
    m_chosen = {IndexOf(*m_background), IndexOf(*m_sound), IndexOf(*m_grid)};
    accept();
}
