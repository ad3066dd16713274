#pragma once
// A message presenter for unattended runs: every question is answered Yes,
// every notice is counted (a notice during a benchmark means a failure).

#include "common/msg.h"

namespace bench {

class YesPresenter final : public common::MessagePresenter
{
public:
    int present(const common::MessageRequest &request) override
    {
        if ((request.style & 4) != 0) { // a Yes/No question
            return common::ButtonYes;
        }
        ++notices;
        lastNotice = request.text;
        return common::ButtonOk;
    }

    int notices = 0;
    QString lastNotice;
};

} // namespace bench
