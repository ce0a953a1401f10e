#pragma once
// Running a test over every form of the stage sums that this processor has.

#include "detect/wide_stump_sums.h"

#include <vector>

inline std::vector<StageSumsForm> runnableForms()
{
    std::vector<StageSumsForm> forms;
    for (StageSumsForm f : {StageSumsForm::plain, StageSumsForm::four, StageSumsForm::eight})
        if (canRunStageSumsForm(f))
            forms.push_back(f);
    return forms;
}

inline const char* formName(StageSumsForm form)
{
    return form == StageSumsForm::plain ? "plain" : form == StageSumsForm::four ? "four" : "eight";
}

// The evaluation takes the given form for as long as this lives, then its default again.
struct FormInUse {
    explicit FormInUse(StageSumsForm form) { useStageSumsForm(form); }
    ~FormInUse() { allowWideStageSums(true); }
    FormInUse(const FormInUse&) = delete;
    FormInUse& operator=(const FormInUse&) = delete;
};
