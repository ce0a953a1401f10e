#pragma once
// File > Open Recent: the last pictures opened, newest first, kept in the settings. A picture
// that has gone from the disk leaves the list the next time the list is shown.

#include <QList>
#include <QObject>
#include <QStringList>

class QAction;
class QMenu;
class QSettings;

class RecentPictures : public QObject {
    Q_OBJECT

public:
    static constexpr int limit = 10;

    // Fills menu with the remembered pictures and a Clear entry; the entries are brought up to date
    // whenever the list changes and each time the menu opens.
    RecentPictures(QSettings& settings, QMenu* menu, QObject* parent = nullptr);

    // Puts the picture first, once (an earlier entry for it goes), and lets the oldest fall off
    // beyond the limit.
    void add(const QString& picture);
    void clear();
    // The pictures still on the disk, newest first.
    QStringList pictures();

signals:
    void chosen(const QString& picture);

private:
    void store(const QStringList& pictures);
    void refill();

    QSettings& settings;
    QMenu* menu;
    // A fixed set of entries, shown or hidden: an entry is never deleted while it is being
    // triggered.
    QList<QAction*> entries;
    QAction* clearEntry = nullptr;
};
