#pragma once

#include <QComboBox>

// A drop-down list of the graph palette that shows colour swatches only, in the list and on
// the closed box. Item i is palette entry i and holds the entry's colour as its data; the
// colour names are not kept, so no text is ever shown.
class CColorCombo : public QComboBox {
    Q_OBJECT
public:
    // The swatch spans this many pixels of an item, one pixel in from its left edge.
    static constexpr int SWATCH_WIDTH = 50;

    explicit CColorCombo(QWidget* parent = nullptr);

    // Lists the palette in table order and selects `index`; an index beyond the palette (a
    // hand-edited settings file) leaves the box without a selection.
    void Fill(int index);
    // The colour of the selection; an invalid colour when nothing is selected.
    QColor SelectedColor() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};
