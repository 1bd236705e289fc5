#pragma once

class QColor;
class QWidget;

// The panels' look: one text colour and one background for the window and every control in it,
// the background filled.
void ApplyPanelColors(QWidget& panel, const QColor& text, const QColor& background);
