// SPDX-License-Identifier: MIT
#ifndef DUZUDOZUZEACKNOWLEDGEMENT_H
#define DUZUDOZUZEACKNOWLEDGEMENT_H

#include <QObject>

#include <memory>

class DuzUdozuzeAlertSound;
class DuzUdozuzeWorkstationTable;
class QAction;

// The operator's side of the warnings: Acknowledge Warnings (Ctrl+K), which
// acknowledges every warning raised and not yet acknowledged, in force or
// ended; the acknowledgement of one row of the Warnings log; and Sound on
// Warning, off until the operator turns it on, the desktop's alert for each
// warning raised. The table keeps when each warning was acknowledged.
class DuzUdozuzeAcknowledgement : public QObject
{
    Q_OBJECT

public:
    DuzUdozuzeAcknowledgement(DuzUdozuzeWorkstationTable &table, QObject *parent = nullptr);
    ~DuzUdozuzeAcknowledgement() override;

    QAction *acknowledgeAction() const { return m_pqAcknowledge; }
    QAction *soundAction() const { return m_pqSound; }
    // The warning at row of the Warnings log, newest first.
    void acknowledgeRow(int row);
    // A warning was raised now.
    void raised();

signals:
    // Warnings were acknowledged: count of them.
    void acknowledged(int count);
    // Once, the first time a warning's sound could not be played.
    void soundFailed(const QString &text);

private:
    void acknowledgeAll();

    DuzUdozuzeWorkstationTable &m_table;
    QAction *m_pqAcknowledge; // children of this object
    QAction *m_pqSound;
    std::unique_ptr<DuzUdozuzeAlertSound> m_pSound; // made when first wanted
    bool m_bSoundFailed = false;
};

#endif // DUZUDOZUZEACKNOWLEDGEMENT_H
