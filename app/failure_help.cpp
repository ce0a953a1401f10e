#include "app/failure_help.h"

#include "app/reading_words.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QString>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace {

const char helpName[] = "failureHelp";

QString translated(const char* text) { return QCoreApplication::translate("FailureHelp", text); }

struct Explanation {
    QString heading;
    QString measured;
    QString better;
};

QString capitalised(QString text)
{
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}

QList<Explanation> explanations()
{
    return {
        {capitalised(reasonWords(ReadingFailure::NoLowerEdge)),
         translated("Below the mouth the reader looks for the chin: two half-parabolas from the "
                    "lowest point of the skin region. None of them touched an edge of that "
                    "region. Most often too little of the face counted as skin, because of a "
                    "colour cast, a dark or overexposed photo, or a beard; the label gives the "
                    "share that did."),
         translated("A photo in daylight, without a tint, with the chin clearly apart from the "
                    "neck.")},
        {capitalised(reasonWords(ReadingFailure::NoLeftSideEdge)),
         translated("After the chin the reader fits a curve to each side of the jaw. On the "
                    "picture's left no curve touched an edge of the skin region: hair, a hand, a "
                    "collar or a shadow may cover that side, or the face is turned."),
         translated("A frontal photo with both cheeks and the jaw line free.")},
        {capitalised(reasonWords(ReadingFailure::NoRightSideEdge)),
         translated("The same on the picture's right: the right side of the jaw showed no edge "
                    "of the skin region."),
         translated("A frontal photo with both cheeks and the jaw line free.")},
        {capitalised(reasonWords(ReadingFailure::NoSideEdges)),
         translated("Neither side curve touched an edge of the skin region: the skin runs on to "
                    "the border of the face cut, or the light is so flat that the jaw line does "
                    "not show."),
         translated("A photo with some background beside the face and light from one side.")},
        {capitalised(reasonWords(ReadingFailure::NotBgraPixels)),
         translated("The face did not reach the reader as colour pixels, so nothing was "
                    "measured. Only a program that uses the reader directly can cause this."),
         translated("Any photo opened in the window.")},
        {translated("Not in colour"),
         translated("Skin is found by its colour, so a grey or black-and-white face is not read; "
                    "the status bar asks for another picture."),
         translated("A colour photo.")},
    };
}

}  // namespace

QString failureHelpHtml()
{
    QString html = QStringLiteral("<h3>%1</h3><p>%2</p>")
                       .arg(translated("Why a reading fails"),
                            translated("Read Face measures the lower outline of the face: the "
                                       "chin below the mouth, then each side of the jaw. When a "
                                       "step finds nothing to measure, the reading fails and the "
                                       "status bar names the step."));
    for (const Explanation& e : explanations())
        html += QStringLiteral("<p><b>%1</b><br>%2<br><i>%3</i> %4</p>")
                    .arg(e.heading.toHtmlEscaped(), e.measured.toHtmlEscaped(),
                         translated("Reads better:"), e.better.toHtmlEscaped());
    return html;
}

QDialog* showFailureHelp(QWidget* window)
{
    auto* dialog = window->findChild<QDialog*>(QLatin1String(helpName), Qt::FindDirectChildrenOnly);
    if (!dialog) {
        dialog = new QDialog(window);
        dialog->setObjectName(QLatin1String(helpName));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(false);  // the window stays usable beside the page
        dialog->setWindowTitle(translated("Reading failures explained"));
        auto* page = new QTextBrowser(dialog);
        page->setHtml(failureHelpHtml());
        page->setAccessibleName(translated("Reading failures explained"));
        page->setAccessibleDescription(
            translated("Each reason a reading can fail for, and what kind of photo reads better"));
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
        QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
        auto* layout = new QVBoxLayout(dialog);
        layout->addWidget(page);
        layout->addWidget(buttons);
        dialog->resize(520, 480);
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
    return dialog;
}
