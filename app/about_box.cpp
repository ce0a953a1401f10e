#include "app/about_box.h"

#include "velmora_version.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace {

const char aboutBoxName[] = "aboutBox";

QString translated(const char* text) { return QCoreApplication::translate("AboutBox", text); }

}  // namespace

QString aboutText()
{
    return QStringLiteral("<h3>Velmora %1</h3><p>%2</p><p>%3</p><p>%4</p>")
        .arg(QStringLiteral(VELMORA_VERSION),
             translated("Finds the faces in a colour photograph and reads the chosen one as one "
                        "of five face types: WOOD, FIRE, EARTH, GOLD or WATER."),
             translated("Copyright &copy; 2026 Marrowby software. Released under the MIT "
                        "licence."),
             translated("Faces are found with the 20x20 frontal-face cascade "
                        "haarcascade_frontalface_alt.xml, created by Rainer Lienhart, copyright "
                        "&copy; 2000 Intel Corporation, under the Intel License Agreement for "
                        "Open Source Computer Vision Library given in the file's header."));
}

QMessageBox* showAboutBox(QWidget* window)
{
    auto* box =
        window->findChild<QMessageBox*>(QLatin1String(aboutBoxName), Qt::FindDirectChildrenOnly);
    if (!box) {
        box = new QMessageBox(window);
        box->setObjectName(QLatin1String(aboutBoxName));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);  // the window stays usable while the box is open
        box->setWindowTitle(translated("About Velmora"));
        box->setTextFormat(Qt::RichText);
        box->setText(aboutText());
        box->setIconPixmap(window->windowIcon().pixmap(32));
        box->setStandardButtons(QMessageBox::Close);
    }
    box->show();
    box->raise();
    box->activateWindow();
    return box;
}

QAction* addAboutAction(QWidget* window)
{
    auto* action = new QAction(translated("About Velmora"), window);
    action->setObjectName(QStringLiteral("actionAboutVelmora"));
    action->setShortcut(QKeySequence(Qt::Key_F1));
    QObject::connect(action, &QAction::triggered, window, [window] { showAboutBox(window); });
    window->addAction(action);
    return action;
}
