#include "app/window_menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QKeySequence>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

QString translated(const char* text) { return QCoreApplication::translate("WindowMenus", text); }

QAction* makeAction(QMainWindow* window, const char* name, const char* text,
                    const char* description, const QList<QKeySequence>& keys = {})
{
    auto* action = new QAction(translated(text), window);
    action->setObjectName(QLatin1String(name));
    action->setToolTip(translated(description));
    action->setShortcuts(keys);
    return action;
}

class EnabledFollower : public QObject {
public:
    EnabledFollower(QWidget* widget, QAction* action) : QObject(action), action(action)
    {
        action->setEnabled(widget->isEnabled());
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::EnabledChange)
            action->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
        return false;
    }

private:
    QAction* action;
};

QMenu* addMenu(QMenuBar* bar, const char* name, const char* title, const char* description)
{
    QMenu* menu = bar->addMenu(translated(title));
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setToolTip(translated(description));
    return menu;
}

}  // namespace

WindowMenus buildWindowMenus(QMainWindow* window, QAction* about)
{
    WindowMenus m;
    const auto keys = [](const char* text) { return QKeySequence(translated(text)); };

    m.openPicture = makeAction(window, "actionOpenPicture", "&Open Picture...",
                               "Open a picture and find its faces", {keys("Ctrl+O")});
    m.nextPicture = makeAction(window, "actionNextPicture", "&Next picture",
                               "Open the next picture of the folder, in the order of the names",
                               {QKeySequence(Qt::Key_Space)});
    m.previousPicture =
        makeAction(window, "actionPreviousPicture", "&Previous picture",
                   "Open the previous picture of the folder, in the order of the names",
                   {QKeySequence(Qt::Key_Backspace)});
    m.saveAnnotated = makeAction(
        window, "actionSaveAnnotated", "Save annotated picture...",
        "Save the whole picture with its face boxes and the outlines read so far, as PNG",
        {keys("Ctrl+S")});
    m.quit = makeAction(window, "actionQuit", "&Quit", "Close the window and end Velmora",
                        {QKeySequence(QKeySequence::Quit)});

    m.showMeasurements =
        makeAction(window, "actionMeasurements", "Show measurements",
                   "Draw the measured outline and the outcome on a face once it has been read",
                   {keys("Ctrl+M")});
    m.showMeasurements->setCheckable(true);
    m.wholePicture =
        makeAction(window, "actionWholePicture", "Show whole picture",
                   "Show the whole picture with the numbered face boxes; a click on a box shows "
                   "that face",
                   {keys("Ctrl+E")});
    m.leaveWholePicture = makeAction(window, "actionLeaveWholePicture", "Back to the face",
                                     "Leave the whole picture and show the current face again",
                                     {QKeySequence(Qt::Key_Escape)});
    m.keepProportions = makeAction(window, "actionKeepProportions", "&Keep proportions",
                                   "Fit the picture into the view without stretching it");
    m.keepProportions->setCheckable(true);
    m.zoomIn = makeAction(window, "actionZoomIn", "Zoom &in", "Show the picture larger",
                          {keys("Ctrl++"), keys("Ctrl+=")});
    m.zoomOut = makeAction(window, "actionZoomOut", "Zoom &out", "Show the picture smaller",
                           {keys("Ctrl+-")});
    m.fit = makeAction(window, "actionFit", "&Fit",
                       "Fit the picture into the view again (stretched, or with its proportions "
                       "when Keep proportions is on)",
                       {keys("Ctrl+0")});
    m.actualSize =
        makeAction(window, "actionActualSize", "&Actual size",
                   "Show the picture at one screen pixel per picture pixel", {keys("Ctrl+1")});

    m.readFace =
        makeAction(window, "actionReadFace", "&Read Face", "Read the face shown", {keys("Ctrl+R")});
    m.steadyReading = makeAction(window, "actionSteadyReading", "S&teady reading",
                                 "Read Face also reads 54 nearby views of the face and shows "
                                 "their vote",
                                 {keys("Ctrl+T")});
    m.steadyReading->setCheckable(true);
    m.nextFace = makeAction(window, "actionNextFace", "&Next face", "Show the next face",
                            {QKeySequence(Qt::Key_Right), QKeySequence(Qt::Key_PageDown)});
    m.previousFace =
        makeAction(window, "actionPreviousFace", "&Previous face", "Show the previous face",
                   {QKeySequence(Qt::Key_Left), QKeySequence(Qt::Key_PageUp)});
    m.firstFace = makeAction(window, "actionFirstFace", "&First face", "Show the first face",
                             {QKeySequence(Qt::Key_Home)});
    m.lastFace = makeAction(window, "actionLastFace", "&Last face", "Show the last face",
                            {QKeySequence(Qt::Key_End)});
    m.share = makeAction(window, "actionShare", "&Share", "Copy the result page to the clipboard",
                         {keys("Ctrl+Shift+C")});

    m.failuresExplained =
        makeAction(window, "actionFailuresExplained", "Reading failures &explained",
                   "Why a reading can fail, and what kind of photo reads better");
    m.about = about;
    about->setToolTip(translated("The version, the licence and where the face cascade comes from"));

    // The form's menu bar is taken out of the window's layout first, so that setting this one
    // does not delete it.
    m.bar = new QMenuBar(window);
    m.bar->setObjectName(QStringLiteral("windowMenuBar"));
    m.bar->setAccessibleName(translated("Menu bar"));
    m.bar->setAccessibleDescription(translated("The window's commands"));
    window->layout()->setMenuBar(nullptr);
    window->setMenuBar(m.bar);

    m.file =
        addMenu(m.bar, "windowMenuFile", "&File", "Pictures: open, walk the folder, save, quit");
    m.file->addAction(m.openPicture);
    m.recent = m.file->addMenu(translated("Open &Recent"));
    m.recent->setObjectName(QStringLiteral("menuRecent"));
    m.recent->menuAction()->setToolTip(translated("The pictures opened last"));
    m.file->addAction(m.nextPicture);
    m.file->addAction(m.previousPicture);
    m.file->addSeparator();
    m.file->addAction(m.saveAnnotated);
    m.file->addSeparator();
    m.file->addAction(m.quit);

    m.view = addMenu(m.bar, "windowMenuView", "&View", "How the picture is shown");
    m.view->addActions({m.showMeasurements, m.wholePicture, m.keepProportions});
    m.view->addSeparator();
    m.view->addActions({m.zoomIn, m.zoomOut, m.fit, m.actualSize});

    m.face = addMenu(m.bar, "windowMenuFace", "F&ace", "Choose, read and share a face");
    m.face->addActions({m.readFace, m.steadyReading});
    m.face->addSeparator();
    m.face->addActions({m.nextFace, m.previousFace, m.firstFace, m.lastFace});
    m.face->addSeparator();
    m.face->addAction(m.share);

    m.help = addMenu(m.bar, "windowMenuHelp", "&Help", "Why readings fail, and about Velmora");
    m.help->addAction(m.failuresExplained);
    m.help->addSeparator();
    m.help->addAction(about);

    // In no menu: its shortcut needs a visible widget to belong to.
    window->addAction(m.leaveWholePicture);
    return m;
}

void followEnabled(QWidget* widget, QAction* action) { new EnabledFollower(widget, action); }
