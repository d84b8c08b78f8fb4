#include "scheduler/repeat_chain.h"

#include <stdexcept>

#include "scheduler/run_controller.h"
#include "scheduler/status_texts.h"

namespace davev {
namespace {

struct ChainStep {
    std::string_view status;
    Timer* next;
};

ChainStep stepAfter(MainWindow& m, const Timer& ticking)
{
    if (&ticking == &m.LOOP_5MIN_TIMER)
        return {status::Repeat4Mins, &m.LOOP_4MIN_TIMER};
    if (&ticking == &m.LOOP_4MIN_TIMER)
        return {status::Repeat3Mins, &m.LOOP_3MIN_TIMER};
    if (&ticking == &m.LOOP_3MIN_TIMER)
        return {status::Repeat2Mins, &m.LOOP_2MIN_TIMER};
    if (&ticking == &m.LOOP_2MIN_TIMER)
        return {status::Repeat1Min, &m.LOOP_1MIN_TIMER};
    throw std::logic_error("not a timer of the five-minute wait: " + ticking.name());
}

// Checking one repeat box unchecks and disables the other and auto-close.
void exclusiveCheck(CheckBox& other, CheckBox& autoClose)
{
    other.setEnabled(false);
    other.setValue(CheckBox::Unchecked);
    autoClose.setEnabled(false);
    autoClose.setValue(CheckBox::Unchecked);
}

void releaseOthers(CheckBox& other, CheckBox& autoClose)
{
    other.setEnabled(true);
    autoClose.setEnabled(true);
}

} // namespace

void chainTick(MainWindow& m, Timer& ticking)
{
    const ChainStep step = stepAfter(m, ticking);
    if (m.LOOP_5MIN_TICKBOX.value() == CheckBox::Checked) {
        setStatus(m, step.status);
        step.next->setEnabled(true);
    }
    ticking.setEnabled(false);
}

void lastMinuteTick(MainWindow& m)
{
    for (const CheckBox* box : {&m.LOOP_1MIN_TICKBOX, &m.LOOP_5MIN_TICKBOX}) {
        if (box->value() == CheckBox::Checked) {
            setStatus(m, status::StartImport);
            m.ZERO_END_TIMER.setEnabled(true);
        }
    }
    m.LOOP_1MIN_TIMER.setEnabled(false);
}

void loop1MinClick(MainWindow& m)
{
    if (m.LOOP_1MIN_TICKBOX.value() == CheckBox::Checked)
        exclusiveCheck(m.LOOP_5MIN_TICKBOX, m.AUTOCLOSE_TICKBOX);
    else
        releaseOthers(m.LOOP_5MIN_TICKBOX, m.AUTOCLOSE_TICKBOX);
}

void loop5MinClick(MainWindow& m)
{
    if (m.LOOP_5MIN_TICKBOX.value() == CheckBox::Checked)
        exclusiveCheck(m.LOOP_1MIN_TICKBOX, m.AUTOCLOSE_TICKBOX);
    else
        releaseOthers(m.LOOP_1MIN_TICKBOX, m.AUTOCLOSE_TICKBOX);
}

} // namespace davev
