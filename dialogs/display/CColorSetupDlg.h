#pragma once

#include "dialogs/display/CTemplateDialog.h"
#include "dialogs/display/ColorTable.h"

class CColorCombo;

// "Color Setup": one swatch picker for each of the graph's background, curve ("Sound") and
// grid colours. Nothing changes until OK; the chosen palette indexes are then Chosen().
class CColorSetupDlg : public CTemplateDialog {
    Q_OBJECT
public:
    explicit CColorSetupDlg(const CGraphColorIndexes& current, QWidget* parent = nullptr);

    // The pickers' selections when OK was pressed; a picker without a selection gives 255.
    const CGraphColorIndexes& Chosen() const { return m_chosen; }

    CColorCombo& BackgroundPicker() { return *m_background; }
    CColorCombo& SoundPicker() { return *m_sound; }
    CColorCombo& GridPicker() { return *m_grid; }

private:
    void OnOk() override;

    CGraphColorIndexes m_chosen;
    CColorCombo* m_background;
    CColorCombo* m_sound;
    CColorCombo* m_grid;
};
