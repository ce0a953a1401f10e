#include "app/recent_pictures.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

namespace {

const char recentKey[] = "RecentPictures";

}  // namespace

RecentPictures::RecentPictures(QSettings& settings, QMenu* menu, QObject* parent)
    : QObject(parent), settings(settings), menu(menu)
{
    for (int i = 0; i < limit; ++i) {
        QAction* entry = menu->addAction(QString());
        connect(entry, &QAction::triggered, this,
                [this, entry] { emit chosen(entry->data().toString()); });
        entries << entry;
    }
    menu->addSeparator();
    clearEntry = menu->addAction(tr("&Clear List"));
    clearEntry->setObjectName(QStringLiteral("actionClearRecent"));
    clearEntry->setToolTip(tr("Forget the pictures opened recently"));
    connect(clearEntry, &QAction::triggered, this, &RecentPictures::clear);
    connect(menu, &QMenu::aboutToShow, this, &RecentPictures::refill);
    refill();
}

void RecentPictures::add(const QString& picture)
{
    const QString path = QFileInfo(picture).absoluteFilePath();
    QStringList list = settings.value(recentKey).toStringList();
    list.removeAll(path);
    list.prepend(path);
    store(list.mid(0, limit));
    refill();
}

void RecentPictures::clear()
{
    store({});
    refill();
}

QStringList RecentPictures::pictures()
{
    const QStringList stored = settings.value(recentKey).toStringList();
    QStringList present;
    for (const QString& path : stored)
        if (QFileInfo(path).isFile() && present.size() < limit)
            present << path;
    if (present != stored)
        store(present);
    return present;
}

void RecentPictures::store(const QStringList& pictures)
{
    if (pictures.isEmpty())
        settings.remove(recentKey);
    else
        settings.setValue(recentKey, pictures);
}

void RecentPictures::refill()
{
    const QStringList list = pictures();
    for (int i = 0; i < limit; ++i) {
        QAction* entry = entries.at(i);
        entry->setVisible(i < list.size());
        if (i >= list.size())
            continue;
        const QString& path = list.at(i);
        // Keys 1 to 9 and then 0 choose an entry while the menu is open.
        const QString number = i < 9 ? QStringLiteral("&%1").arg(i + 1) : QStringLiteral("1&0");
        // An ampersand in a name is part of the name, not a key.
        entry->setText(number + QLatin1Char(' ') +
                       QFileInfo(path).fileName().replace(QLatin1Char('&'), QStringLiteral("&&")));
        entry->setToolTip(QDir::toNativeSeparators(path));
        entry->setData(path);
    }
    clearEntry->setEnabled(!list.isEmpty());
    menu->menuAction()->setEnabled(!list.isEmpty());
}
