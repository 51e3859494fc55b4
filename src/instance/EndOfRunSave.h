#pragma once
// What start-up does once the script has run: drop downloaded web media the build does not
// keep, then hide, compress and update the instance's data file.
namespace quarrix {

struct Session;

void SaveInstanceAtEndOfRun(Session& session);

}  // namespace quarrix
