#include "dialogs/display/CColorCombo.h"

#include <QPainter>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QStyledItemDelegate>

#include "dialogs/display/ColorTable.h"

namespace {

// One item as the picker draws it: the window colour behind, or the highlight colour with a
// focus frame when the item is selected, and a swatch framed in black; a disabled picker
// shows its swatch in the disabled text colour.
void DrawColorItem(QPainter& painter, const QWidget& widget, const QRect& item, const QColor& color,
                   bool selected, bool enabled) {
    const QPalette& palette = widget.palette();
    painter.save();
    painter.fillRect(item, palette.color(selected ? QPalette::Highlight : QPalette::Base));
    if (selected) {
        QStyleOptionFocusRect focus;
        focus.initFrom(&widget);
        focus.rect = item;
        focus.backgroundColor = palette.color(QPalette::Highlight);
        widget.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, &widget);
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(enabled ? color : palette.color(QPalette::Disabled, QPalette::Text));
    // The frame covers the swatch's outer pixels: columns 1 to 50, rows 1 to height − 2.
    painter.drawRect(item.left() + 1, item.top() + 1, CColorCombo::SWATCH_WIDTH - 1,
                     item.height() - 3);
    painter.restore();
}

class CColorItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        DrawColorItem(*painter, *option.widget, option.rect,
                      index.data(Qt::UserRole).value<QColor>(),
                      option.state.testFlag(QStyle::State_Selected),
                      option.state.testFlag(QStyle::State_Enabled));
    }
    // The list keeps the height it gives its items; a swatch needs its width and a pixel.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::max(size.width(), CColorCombo::SWATCH_WIDTH + 2));
        return size;
    }
};

}  // namespace

CColorCombo::CColorCombo(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new CColorItemDelegate(this));
}

void CColorCombo::Fill(int index) {
    clear();
    for (const CNamedColor& entry : COLOR_TABLE) {
        addItem(QString(), QColor(entry.Rgb.Red, entry.Rgb.Green, entry.Rgb.Blue));
    }
    setCurrentIndex(index >= 0 && index < count() ? index : -1);
}

QColor CColorCombo::SelectedColor() const {
    return currentData().value<QColor>();
}

void CColorCombo::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0) {
        return;
    }
    const QRect face =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
    DrawColorItem(painter, *this, face, SelectedColor(), hasFocus(), isEnabled());
}
