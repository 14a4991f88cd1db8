// What the command says about a configuration beyond reading it: a list of calls of which one
// certainly fails is refused before anything runs; a frame that runs but likely not as meant gets
// a warning; every failure a method reported becomes one line for standard error.
#ifndef PARALLO_CLI_CHECKS_H
#define PARALLO_CLI_CHECKS_H

#include <string>
#include <vector>

#include "config.h"
#include "run.h"

namespace parallo {
namespace cli {

/// Most grid lines the generators draw in both directions together; beyond it they draw none.
constexpr double kGridLineBudget = 250.0;

/// Refuses, with a ConfigError naming the missing key, calls of which one needs a value that
/// neither the configuration nor an earlier call provides (the neatline's corners, a neatline,
/// the interval): such a method certainly fails. Values the reader fills in by default are
/// never missing.
void CheckCallNeeds(const Json &config, const Frame &frame);
/// CheckCallNeeds for a frame whose calls were listed (`listed`) or are the default list.
void CheckCallNeeds(bool listed, const Frame &frame);

/// Warnings, each one line without the "parallo: warning: " in front, about a frame after its
/// run: projected corners that look like degrees, a polar cap on a projected grid, a grid past
/// the line budget with the smallest round interval that would fit, ticks or labels asked for
/// with every side switched off, and labels made while no label part is displayed. Read from the
/// frame's options, so the command and the plain front warn alike.
std::vector<std::string> Warnings(const Frame &frame, const RunResult &result);
/// Warnings(frame, result) for callers that hold the configuration too.
std::vector<std::string> Warnings(const Json &config, const Frame &frame, const RunResult &result);

/// One line per failure the methods reported, "<method>: <description>", with the key to look
/// at where one is known.
std::vector<std::string> FailureLines(const Frame &frame, const RunResult &result);

/// The smallest interval of the series 1, 2, 2.5, 5 × 10^k whose grid over a frame of width
/// `dx` and height `dy` (in the interval's unit) stays within the line budget, counted as the
/// generators count it; 0 when the extent is empty or not finite.
double SmallestRoundInterval(double dx, double dy);

} // namespace cli
} // namespace parallo

#endif
