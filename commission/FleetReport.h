#pragma once

// A fleet run's report: JSON for tools, JUnit XML for a CI or a production line, and the state
// a resumed run starts from (the report's own JSON, written as each module ends).

#include "commission/FleetRun.h"

#include <optional>
#include <string>
#include <vector>

// {"format": "talmire-fleet-report", "version": 1, "passed": N, "failed": M, "modules": [...]}
std::string FleetReportJson(const std::vector<FleetOutcome>& outcomes);
// One testsuite, one testcase per module; a failed module's testcase holds a failure element
// naming the step and the reason.
std::string FleetJUnitXml(const std::vector<FleetOutcome>& outcomes);
// The modules a report or state file says passed, marked `earlier`; nullopt with the reason in
// `error` when the text is not such a file.
std::optional<std::vector<FleetOutcome>> PassedInReport(const std::string& text,
                                                        std::string& error);
