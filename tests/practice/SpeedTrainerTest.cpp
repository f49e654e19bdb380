// The speed trainer's rule, event by event: passes raise the tempo a step at a time up to the
// target, the next jump is armed with the step ahead, Backspace backs off toward the start, and
// a tempo set by hand becomes the current step.
#include <gtest/gtest.h>

#include "practice/SpeedTrainer.h"

namespace {

enum class Event { On, Pass, BackOff, ByHand95, Off };

struct Step {
    Event event;
    int tempo;  // the tempo after it
    int pass;   // the pass being played after it
    int armed;  // what the next jump brings (0: nothing)
};

struct Case {
    const char* name;
    CSpeedTrainer::Settings settings;
    std::vector<Step> steps;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class SpeedTrainerRule : public ::testing::TestWithParam<Case> {};

TEST_P(SpeedTrainerRule, FollowsEveryEvent) {
    CSpeedTrainer trainer;
    trainer.SetValues(GetParam().settings);
    int n = 0;
    for (const Step& step : GetParam().steps) {
        switch (step.event) {
            case Event::On:
                trainer.TurnOn();
                break;
            case Event::Pass:
                trainer.OnPass();
                break;
            case Event::BackOff:
                trainer.BackOff();
                break;
            case Event::ByHand95:
                trainer.SetTempoByHand(95);
                break;
            case Event::Off:
                trainer.TurnOff();
                break;
        }
        SCOPED_TRACE("event " + std::to_string(n++));
        EXPECT_EQ(trainer.Tempo(), step.tempo);
        EXPECT_EQ(trainer.Pass(), step.pass);
        EXPECT_EQ(trainer.TempoAtNextJump(), step.armed);
    }
}

using E = Event;
INSTANTIATE_TEST_SUITE_P(
    Cases, SpeedTrainerRule,
    ::testing::Values(
        // 70 % to 100 % by 10 % every pass: each jump is armed with the next step; at the target
        // nothing more.
        Case{"EveryPass",
             {70, 10, 1, 100},
             {{E::On, 70, 1, 80},
              {E::Pass, 80, 1, 90},
              {E::Pass, 90, 1, 100},
              {E::BackOff, 80, 1, 90},
              {E::Pass, 90, 1, 100},
              {E::Pass, 100, 1, 0},
              {E::Pass, 100, 1, 0}}},
        // Two passes a step: the jump that ends the second pass is the one armed; Backspace
        // never goes below the start and starts the count again.
        Case{"TwoPassesAStep",
             {60, 5, 2, 70},
             {{E::On, 60, 1, 0},
              {E::Pass, 60, 2, 65},
              {E::BackOff, 60, 1, 0},
              {E::Pass, 60, 2, 65},
              {E::Pass, 65, 1, 0},
              {E::Pass, 65, 2, 70},
              {E::Pass, 70, 1, 0},
              {E::Pass, 70, 2, 0}}},
        // A step that would pass the target stops at it; a tempo set by hand is the new step.
        Case{"StepStopsAtTheTargetAndHandSetsTheStep",
             {75, 20, 1, 100},
             {{E::On, 75, 1, 95},
              {E::Pass, 95, 1, 100},
              {E::Pass, 100, 1, 0},
              {E::ByHand95, 95, 1, 100}}},
        // A target below the start slows the loop down instead; off, nothing is armed.
        Case{"TargetBelowTheStart",
             {100, 10, 1, 80},
             {{E::On, 100, 1, 90},
              {E::Pass, 90, 1, 80},
              {E::BackOff, 100, 1, 90},
              {E::Off, 100, 1, 0},
              {E::Pass, 100, 1, 0}}},
        // Values out of range are brought into it.
        Case{"ValuesKeptInRange", {5, 0, 0, 900}, {{E::On, 25, 1, 26}, {E::Pass, 26, 1, 27}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
