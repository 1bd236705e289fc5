#pragma once

#include <QWidget>

#include "platform/CSettings.h"

// Splitter column 1 until the graph view exists: a plain grey pane that keeps the graph
// view's settings, read when the pane is created and written when the main window closes.
class CGraphPanePlaceholder : public QWidget {
public:
    explicit CGraphPanePlaceholder(QWidget* parent);

    const CViewSettings& ViewSettings() const { return m_settings; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CViewSettings m_settings;
};
