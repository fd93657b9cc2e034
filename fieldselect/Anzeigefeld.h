#pragma once
// A text box that only shows its text: the look of a line edit, in the tab
// order, its text copied with the usual key, but no editor behind it. The
// mask has three of them on each of up to 255 rows, and a line edit costs
// more to create than all the rest of a row.

#include <QString>
#include <QWidget>

class Anzeigefeld : public QWidget {
    Q_OBJECT
public:
    explicit Anzeigefeld(const QString& text, QWidget* parent = nullptr);

    const QString& text() const { return text_; }
    void setText(const QString& text);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    QString text_;
};
