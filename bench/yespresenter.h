#pragma once
// A message presenter for unattended runs: every question is answered Yes,
// every notice is counted (a notice during a benchmark means a failure).

#include "common/msg.h"

namespace bench {

class YesPresenter final : public common::MessagePresenter
{
public:
    common::Answer present(const common::MessageRequest &request) override
    {
        if (request.style.buttons == common::Buttons::YesNo) {
            return common::Answer::Yes;
        }
        ++notices;
        lastNotice = request.text;
        return common::Answer::Ok;
    }

    int notices = 0;
    QString lastNotice;
};

} // namespace bench
