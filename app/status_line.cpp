#include "app/status_line.h"

#include "app/reading_words.h"

#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QStatusBar>

namespace {

QString translated(const char* text) { return QCoreApplication::translate("StatusLine", text); }

}  // namespace

StatusLine::StatusLine(QMainWindow* window, QStatusBar* bar, QScrollBar* selector)
    : QObject(window), bar(bar), selector(selector), face(new QLabel(bar)), steady(new QLabel(bar))
{
    face->setObjectName(QStringLiteral("faceStatus"));
    face->setAccessibleName(translated("Face and reading"));
    face->setAccessibleDescription(
        translated("Which face is shown, counted from 1, and what its reading came to"));
    // Long words are cut at the window's edge rather than widening the window.
    face->setMinimumWidth(1);
    bar->addPermanentWidget(face);
    steady->setObjectName(QStringLiteral("steadyStatus"));
    steady->setAccessibleName(translated("Steady reading"));
    steady->setAccessibleDescription(
        translated("How many of the face's nearby views agree on its type"));
    steady->setMinimumWidth(1);
    bar->addPermanentWidget(steady);
    window->installEventFilter(this);
    showFace(0, 0);
}

void StatusLine::showFace(int index, int count, const QString& outcome)
{
    if (count <= 0) {
        face->clear();
        selector->setAccessibleName(translated("Face selector"));
        return;
    }
    face->setText(faceWords(index, count, outcome));
    selector->setAccessibleName(faceCountWords(index, count));
}

void StatusLine::showSteady(const QString& words) { steady->setText(words); }

void StatusLine::showCascadeMissing(const QString& fileName, const QStringList& folders)
{
    QStringList shown;
    for (const QString& folder : folders)
        shown << QDir::toNativeSeparators(folder);
    const QString text =
        translated("%1 not found or not readable; looked in %2").arg(fileName, shown.join(", "));
    auto* missing = new QLabel(text, bar);
    missing->setToolTip(text);
    missing->setMinimumWidth(1);
    missing->setObjectName(QStringLiteral("cascadeStatus"));
    missing->setAccessibleName(translated("Face cascade missing"));
    missing->setAccessibleDescription(
        translated("The cascade file the face detector needs, and the folders searched for it"));
    bar->addPermanentWidget(missing);
}

bool StatusLine::eventFilter(QObject*, QEvent* event) { return event->type() == QEvent::StatusTip; }
