// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEFILTERSTRIP_H
#define DUZUDOZUZEFILTERSTRIP_H

#include <QWidget>

class QLabel;

// A strip over the log while a filter hides lines, whether the find bar is
// open or not: which text the lines shown contain, how many of all they are,
// and a button that clears the filter. The log never hides a line without
// saying so where the eye is.
class DuzUdozuzeFilterStrip : public QWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeFilterStrip(QWidget *parent = nullptr);

    QString text() const;

public slots:
    // filter: the text the lines shown contain, empty for none; shown: "12
    // of 1,000 lines shown".
    void showFilter(const QString &filter, const QString &shown);

signals:
    void clearWanted();

private:
    QLabel *m_pqText;
};

#endif // DUZUDOZUZEFILTERSTRIP_H
