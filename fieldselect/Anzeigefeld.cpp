#include "Anzeigefeld.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

Anzeigefeld::Anzeigefeld(const QString& text, QWidget* parent) : QWidget(parent), text_(text)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_MacShowFocusRect);
}

void Anzeigefeld::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    update();
}

QSize Anzeigefeld::sizeHint() const
{
    const QFontMetrics fm = fontMetrics();
    return QSize(fm.horizontalAdvance(text_) + 8, fm.height() + 6);
}

void Anzeigefeld::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QStyleOptionFrame rahmen;
    rahmen.initFrom(this);
    rahmen.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &rahmen, this);
    rahmen.midLineWidth = 0;
    rahmen.state |= QStyle::State_Sunken | QStyle::State_ReadOnly;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &rahmen, &p, this);
    const QRect innen = style()->subElementRect(QStyle::SE_LineEditContents, &rahmen, this).adjusted(2, 0, -1, 0);
    p.setPen(palette().color(QPalette::Text));
    p.setClipRect(innen);
    p.drawText(innen, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

void Anzeigefeld::keyPressEvent(QKeyEvent* e)
{
    if (e->matches(QKeySequence::Copy)) {
        QGuiApplication::clipboard()->setText(text_);
        return;
    }
    QWidget::keyPressEvent(e);
}
