#pragma once
// What a reading came to, in the window's own words: the face type, or a short sentence on why the
// reading failed. The window shows no reason codes (those are velmora-cli's, for scripts) and
// counts faces from 1.

#include "reading/face_reader.h"
#include "reading/reading_failure.h"
#include "reading/reading_report.h"
#include "reading/steady_reading.h"

#include <QString>

// A reason as a short sentence, lower case, without a full stop: "the left side of the jaw was
// not found".
QString reasonWords(ReadingFailure failure);

// "FIRE", "Not in colour", or "Reading failed: " and the reason's words (with the share of the
// face taken as skin when no lower edge was found); "Reading failed" when no reason is known.
QString outcomeWords(const ReadOutcome& outcome, const ReadingReport* report);

// The label of a face in the window's drawings: the type, "not in colour", or the reason's words.
QString drawingWords(const ReadOutcome& outcome, const ReadingReport* report);

// "Face 2 of 15" for the face at index 1 of 15.
QString faceCountWords(int index, int count);

// "Face 2 of 15", and " - " with the outcome's words when there are any.
QString faceWords(int index, int count, const QString& outcome);

// A steady reading as the outcome Read Face shows: its type, failed, or not in colour.
ReadOutcome steadyAsOutcome(const SteadyReading& steady);

// "Reading failed: " and the steady reading's reason, or its type, as outcomeWords says them.
QString steadyOutcomeWords(const SteadyReading& steady);

// How sure a steady reading is: "WATER: 31 of 54 views agree", "Steady reading failed: " and its
// reason's words, or "Not in colour".
QString steadyAgreementWords(const SteadyReading& steady);

// Shown after a failed reading without the steady one: "Steady reading (Ctrl+T) may read this
// face".
QString steadySuggestion();
