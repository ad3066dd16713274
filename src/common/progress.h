#pragma once
// How long work tells the user how far it has come. The real one (ui/) is a
// progress dialog that appears only when the work lasts; tests and the command
// line pass one that shows nothing.

#include <QString>
#include <QtGlobal>

namespace common {

class Progress
{
public:
    virtual ~Progress() = default;
    // `done` of `total` steps of the work `label` names; a total of 0 means
    // the amount is not known yet.
    virtual void report(const QString &label, qint64 done, qint64 total) = 0;
    // The work is over: whatever shows it goes away.
    virtual void finish() = 0;
};

class NoProgress final : public Progress
{
public:
    void report(const QString &, qint64, qint64) override {}
    void finish() override {}
};

} // namespace common
