#pragma once
// A status bar of fixed-width parts; a part of width -1 takes what the others leave.
#include <QWidget>
#include <string>
#include <vector>

#include "app/layout.h"

class QLabel;

class StatusBar : public QWidget {
    Q_OBJECT
public:
    StatusBar(const std::vector<layout::StatusPart>& parts, QWidget* parent);

    int partCount() const;
    // Out-of-range parts read as empty and ignore writes.
    QString partText(int part) const;
    void setPartText(int part, const QString& text);
    QLabel* partLabel(int part) const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutParts();

    std::vector<int> m_widths;
    std::vector<QLabel*> m_labels;
};
