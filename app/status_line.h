#pragma once
// The status bar's right end: which face is shown ("Face 2 of 15") and what its reading came to,
// in words, and beside it how sure a steady reading is. The left part keeps the window's messages; since hovering a menu entry would replace
// them with the entry's status tip (and clear them on leaving it), status tips are kept out.

#include <QObject>
#include <QStringList>

class QLabel;
class QMainWindow;
class QScrollBar;
class QStatusBar;

class StatusLine : public QObject {
public:
    // The selector reports the same "Face 2 of 15" to assistive technology.
    StatusLine(QMainWindow* window, QStatusBar* bar, QScrollBar* selector);

    // The face at index among count faces, and the words of its reading if it was read; with no
    // faces the label is empty.
    void showFace(int index, int count, const QString& outcome = QString());

    // At the right end: how sure the steady reading of the face is, or the suggestion to read it
    // steadily; empty for none.
    void showSteady(const QString& words);

    // The face cascade could not be loaded: the file's name and where it was looked for.
    void showCascadeMissing(const QString& fileName, const QStringList& folders);

    QLabel* faceLabel() const { return face; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStatusBar* bar;
    QScrollBar* selector;
    QLabel* face;
    QLabel* steady;
};
