#pragma once
// A message presenter that records every box it is asked to show and answers
// from a script (or with a fixed answer when the script is empty).

#include "common/msg.h"

#include <QList>

namespace testsupport {

class ScriptedPresenter final : public common::MessagePresenter
{
public:
    int present(const common::MessageRequest &request) override
    {
        shown.append(request);
        if (!answers.isEmpty()) {
            return answers.takeFirst();
        }
        return fallbackAnswer(request.style);
    }

    // Answers Yes/No questions with Yes (or No) from now on, unless scripted.
    void answerYes() { m_default = common::ButtonYes; }
    void answerNo() { m_default = common::ButtonNo; }

    QList<int> answers;
    QList<common::MessageRequest> shown;

private:
    int fallbackAnswer(int style) const
    {
        const bool yesNo = (style & 4) != 0;
        return yesNo ? m_default : int(common::ButtonOk);
    }
    int m_default = common::ButtonYes;
};

} // namespace testsupport
