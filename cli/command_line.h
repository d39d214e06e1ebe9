#pragma once

// How a command joins vexilo-cli: a subcommand of the one CLI::App with its options, and a
// function that does the work once the whole command line has been read.

#include <CLI/CLI.hpp>
#include <functional>
#include <string>

namespace cli {

// The exit statuses of every command.
constexpr int kExitSuccess = 0;
constexpr int kExitFailure = 1; // the work failed; a message went to standard error
constexpr int kExitUsage = 2;   // the command line was wrong

// Sets up the program's command line: the help layout, the command list, and options that
// take their last value when given twice, as usual on command lines. Call before adding
// commands.
void setUpCommandLine(CLI::App& app);

// Adds a command to app. The first line of description is its entry in the command list;
// the whole text opens its --help. run is called only when the command line parsed without errors;
// it returns the exit status. The command's options are added to the result.
CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     std::function<int()> run);

// Refuses an empty argument where a path is needed ("" would only fail later, less clearly).
extern const CLI::Validator kNotEmpty;

// Refuses a number outside [low, high], and what is no finite number ("nan", "inf" pass
// CLI11's own range check).
CLI::Validator finiteRange(double low, double high);

// Parses the command line and runs the chosen command; returns the exit status. Usage
// errors are reported on standard error in one short line; --help goes to standard output.
int runCommandLine(CLI::App& app, int argc, char** argv);

} // namespace cli
