// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEELIDEDLABEL_H
#define DUZUDOZUZEELIDEDLABEL_H

#include <QLabel>

// A label of one line of plain text that takes the width it is given, never
// the width of its text: what does not fit ends in "...". Text from the
// network can be as long as it likes without widening the window.
class DuzUdozuzeElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit DuzUdozuzeElidedLabel(QWidget *parent = nullptr);

    void setFullText(const QString &text);
    const QString &fullText() const { return m_strFull; }

    QSize minimumSizeHint() const override;
    QSize sizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void elide();

    QString m_strFull;
};

#endif // DUZUDOZUZEELIDEDLABEL_H
