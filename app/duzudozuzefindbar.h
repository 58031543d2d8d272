// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEFINDBAR_H
#define DUZUDOZUZEFINDBAR_H

#include <QWidget>

class DuzUdozuzeLogView;
class QMenu;
class QCheckBox;
class QLabel;
class QLineEdit;

// The bar under the log view. Find: forwards or backwards from the
// selection, with or without the letter case, wrapping round at either end,
// saying so when the text is nowhere and how many lines hold it. Filter: the
// view shows only the lines that contain a text, and the bar says how many of
// all they are. Match case counts for both. Escape in the filter field clears
// the filter first and closes the bar second.
class DuzUdozuzeFindBar : public QWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeFindBar(DuzUdozuzeLogView *view, QWidget *parent = nullptr);

    QLineEdit *textEdit() const { return m_pqText; }
    QLineEdit *filterEdit() const { return m_pqFilter; }
    QCheckBox *caseBox() const { return m_pqMatchCase; }
    // What the bar says about the last search: empty, or "not found".
    QString status() const;
    // "12 lines match": the lines that hold the text to find.
    QString countText() const;
    // "12 of 1,000,000 lines shown" while the filter is on; else empty.
    QString shownText() const;
    // Find..., Find Next, Find Previous and Filter... with their keys.
    void addActionsTo(QMenu *menu);

public slots:
    // Shows the bar with the text field focused and selected.
    void open();
    bool findNext();
    bool findPrevious();
    // Shows the bar with the filter field focused and selected.
    void openFilter();
    // Shows the bar with the filter set to text.
    void showOnly(const QString &text);
    void clearFilter();

signals:
    // The filter in force (empty: none) and "12 of 1,000 lines shown".
    void filterShown(const QString &filter, const QString &shown);

private:
    bool find(bool backward);
    void applyFilter();
    void updateCounts();

    DuzUdozuzeLogView *m_pView;
    QLineEdit *m_pqText;
    QLineEdit *m_pqFilter;
    QCheckBox *m_pqMatchCase;
    QLabel *m_pqStatus;
    QLabel *m_pqCount;
    QLabel *m_pqShown;
};

#endif // DUZUDOZUZEFINDBAR_H
