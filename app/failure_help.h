#pragma once
// Help > Reading failures explained: each reason a reading can fail for, what the reader measured
// there and what kind of photo reads better. Built in, so it works without a network.

class QDialog;
class QString;
class QWidget;

// The page, as rich text.
QString failureHelpHtml();

// Shows the page over the window without blocking it; while one is open, raises that one.
QDialog* showFailureHelp(QWidget* window);
