#include "platform/qt/status_bar.h"

#include <QLabel>

#include "platform/qt/qt_text.h"

StatusBar::StatusBar(const std::vector<layout::StatusPart>& parts, QWidget* parent)
    : QWidget(parent) {
    int index = 0;
    for (const layout::StatusPart& p : parts) {
        auto* label = new QLabel(qttext::toQt(p.text), this);
        label->setObjectName(QStringLiteral("part%1").arg(index++));
        label->setTextFormat(Qt::PlainText);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setIndent(2);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        if (!p.tip.empty()) label->setToolTip(qttext::toQt(p.tip));
        m_labels.push_back(label);
        m_widths.push_back(p.width);
    }
    layoutParts();
}

int StatusBar::partCount() const {
    return static_cast<int>(m_labels.size());
}

QLabel* StatusBar::partLabel(int part) const {
    return part >= 0 && part < partCount() ? m_labels[part] : nullptr;
}

QString StatusBar::partText(int part) const {
    const QLabel* label = partLabel(part);
    return label ? label->text() : QString();
}

void StatusBar::setPartText(int part, const QString& text) {
    if (QLabel* label = partLabel(part)) label->setText(text);
}

void StatusBar::resizeEvent(QResizeEvent*) {
    layoutParts();
}

void StatusBar::layoutParts() {
    int fixed = 0;
    int flexible = 0;
    for (int w : m_widths) {
        if (w < 0)
            ++flexible;
        else
            fixed += w;
    }
    const int rest = qMax(0, width() - fixed);
    int x = 0;
    for (int i = 0; i < partCount(); ++i) {
        int w = m_widths[i];
        if (w < 0) w = flexible > 0 ? rest / flexible : 0;
        // The last part runs to the edge so rounding leaves no gap.
        if (i == partCount() - 1 && m_widths[i] < 0) w = qMax(0, width() - x);
        m_labels[i]->setGeometry(x, 0, w, height());
        x += w;
    }
}
