#pragma once
// A message presenter that records every box it is asked to show and answers
// from a script (or with a fixed answer when the script is empty).

#include "common/msg.h"

#include <QByteArray>
#include <QList>

namespace testsupport {

class ScriptedPresenter final : public common::MessagePresenter
{
public:
    common::Answer present(const common::MessageRequest &request) override
    {
        shown.append(request);
        if (!answers.isEmpty()) {
            return answers.takeFirst();
        }
        return request.style.buttons == common::Buttons::YesNo ? m_default : common::Answer::Ok;
    }

    // Answers Yes/No questions with Yes (or No) from now on, unless scripted.
    void answerYes() { m_default = common::Answer::Yes; }
    void answerNo() { m_default = common::Answer::No; }

    QList<common::Answer> answers;
    QList<common::MessageRequest> shown;

private:
    common::Answer m_default = common::Answer::Yes;
};

} // namespace testsupport

namespace common {

// Lets QCOMPARE print the two looks it compares.
inline char *toString(const BoxStyle &style)
{
    const char *buttons = style.buttons == Buttons::YesNo ? "YesNo" : "Ok";
    const char *icons[] = {"Information", "Warning", "Question"};
    const char *answers[] = {"Ok", "Yes", "No"};
    const QByteArray text = QByteArray("BoxStyle{") + buttons + ", " + icons[int(style.icon)] + ", default " +
                            answers[int(style.defaultAnswer)] + '}';
    return qstrdup(text.constData());
}

} // namespace common
