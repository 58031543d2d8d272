// SPDX-License-Identifier: MIT
#include "app/duzudozuzelayoutstore.h"

#include "app/duzudozuzetableview.h"

#include <QAction>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QSettings>
#include <QTableView>

namespace {

const QString VersionKey = QStringLiteral("layout/version");

} // namespace

DuzUdozuzeLayoutStore::DuzUdozuzeLayoutStore(QMainWindow *window) : m_pqWindow(window)
{
    for (QTableView *view : window->findChildren<QTableView *>()) {
        if (!view->objectName().isEmpty())
            m_views.append(view);
    }
    // Follow New Lines is on at every start: a wall monitor that was left
    // scrolled up must not come back frozen.
    for (QAction *action : window->findChildren<QAction *>()) {
        if (action->isCheckable() && !action->objectName().isEmpty()
            && action->objectName() != QLatin1String("follow"))
            m_toggles.append(action);
    }
}

// Only a program that named itself keeps a layout: never under a made-up
// organisation's name.
bool DuzUdozuzeLayoutStore::named()
{
    return !QCoreApplication::organizationName().isEmpty();
}

void DuzUdozuzeLayoutStore::restore() const
{
    const QSettings settings;
    if (!named() || settings.status() != QSettings::NoError
        || settings.value(VersionKey).toInt() != Version)
        return;
    // Each piece checks what it reads and leaves the window as it is when it
    // makes no sense.
    m_pqWindow->restoreGeometry(settings.value(QStringLiteral("window/geometry")).toByteArray());
    m_pqWindow->restoreState(settings.value(QStringLiteral("window/state")).toByteArray(), Version);
    for (QTableView *view : m_views) {
        view->horizontalHeader()->restoreState(
            settings.value(QStringLiteral("columns/") + view->objectName()).toByteArray());
        // The widths the user chose stay; the other columns follow their rows.
        if (auto *table = qobject_cast<DuzUdozuzeTableView *>(view)) {
            QList<int> sized;
            const QStringList columns
                = settings.value(QStringLiteral("sized/") + view->objectName()).toStringList();
            for (const QString &column : columns) {
                bool ok = false;
                const int number = column.toInt(&ok);
                if (ok && number >= 0 && number < view->horizontalHeader()->count())
                    sized.append(number);
            }
            table->setSizedColumns(sized);
        }
    }
    for (QAction *toggle : m_toggles) {
        const QVariant value = settings.value(QStringLiteral("view/") + toggle->objectName());
        if (value.canConvert<bool>() && value.isValid())
            toggle->setChecked(value.toBool());
    }
}

void DuzUdozuzeLayoutStore::save() const
{
    if (!named())
        return;
    QSettings settings;
    settings.setValue(VersionKey, Version);
    settings.setValue(QStringLiteral("window/geometry"), m_pqWindow->saveGeometry());
    settings.setValue(QStringLiteral("window/state"), m_pqWindow->saveState(Version));
    for (const QTableView *view : m_views) {
        settings.setValue(QStringLiteral("columns/") + view->objectName(),
                          view->horizontalHeader()->saveState());
        if (const auto *table = qobject_cast<const DuzUdozuzeTableView *>(view)) {
            QStringList sized;
            for (const int column : table->sizedColumns())
                sized.append(QString::number(column));
            settings.setValue(QStringLiteral("sized/") + view->objectName(), sized);
        }
    }
    for (const QAction *toggle : m_toggles)
        settings.setValue(QStringLiteral("view/") + toggle->objectName(), toggle->isChecked());
}
