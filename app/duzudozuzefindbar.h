#ifndef DUZUDOZUZEFINDBAR_H
#define DUZUDOZUZEFINDBAR_H

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

// The bar under the log view that finds a text in it: forwards or backwards
// from the cursor, with or without the letter case, wrapping round at either
// end, and saying so when the text is nowhere.
class DuzUdozuzeFindBar : public QWidget
{
    Q_OBJECT

public:
    explicit DuzUdozuzeFindBar(QPlainTextEdit *view, QWidget *parent = nullptr);

    QLineEdit *textEdit() const { return m_pqText; }
    QCheckBox *caseBox() const { return m_pqMatchCase; }
    // What the bar says about the last search: empty, or "not found".
    QString status() const;

public slots:
    // Shows the bar with the text field focused and selected.
    void open();
    bool findNext();
    bool findPrevious();

private:
    bool find(bool backward);

    QPlainTextEdit *m_pView;
    QLineEdit *m_pqText;
    QCheckBox *m_pqMatchCase;
    QLabel *m_pqStatus;
};

#endif // DUZUDOZUZEFINDBAR_H
