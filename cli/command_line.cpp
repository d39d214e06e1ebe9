#include "cli/command_line.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <sstream>

namespace cli {
namespace {

// Carries a command's non-zero exit status out of the parser, which runs the command.
class CommandEnded : public std::exception
{
  public:
    explicit CommandEnded(int status) : m_status(status) {}
    int status() const { return m_status; }

  private:
    int m_status;
};

// The usage line first, then the description. A command's entry in the command list is the
// first line of its description; its arguments are named by the usage line alone.
class HelpFormatter : public CLI::Formatter
{
  public:
    HelpFormatter()
    {
        label("SUBCOMMAND", "COMMAND");
        column_width(26);
    }

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override
    {
        if (mode == CLI::AppFormatMode::Sub)
            return make_expanded(app);
        return make_usage(app, name) + "\n" + make_description(app) + make_positionals(app) +
               make_groups(app, mode) + make_subcommands(app, mode) + "\n" + make_footer(app);
    }

    std::string make_subcommand(const CLI::App* command) const override
    {
        const std::string& description = command->get_description();
        std::stringstream out;
        CLI::detail::format_help(out, command->get_name(),
                                 description.substr(0, description.find('\n')), column_width_);
        return out.str();
    }

    std::string make_option_opts(const CLI::Option* option) const override
    {
        return option->get_positional() ? std::string() : CLI::Formatter::make_option_opts(option);
    }
};

std::string commandName(const CLI::App& app)
{
    std::string name = app.get_name();
    for (const CLI::App* sub : app.get_subcommands())
        name += " " + sub->get_name();
    return name;
}

} // namespace

const CLI::Validator kNotEmpty(
    [](std::string& value) { return value.empty() ? std::string("must not be empty") : ""; }, "",
    "not empty");

CLI::Validator finiteRange(double low, double high)
{
    char range[64];
    std::snprintf(range, sizeof range, "%g to %g", low, high);
    const std::string text = range;
    return CLI::Validator(
        [low, high, text](std::string& value) {
            char* end = nullptr;
            const double number = std::strtod(value.c_str(), &end);
            if (value.empty() || *end || !std::isfinite(number) || number < low || number > high)
                return "\"" + value + "\" is not a number from " + text;
            return std::string();
        },
        text, "finite range");
}

void setUpCommandLine(CLI::App& app)
{
    app.formatter(std::make_shared<HelpFormatter>());
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    app.require_subcommand(1);
    app.footer("\"vexilo-cli COMMAND --help\" tells more.");
}

CLI::App* addCommand(CLI::App& app, const std::string& name, const std::string& description,
                     std::function<int()> run)
{
    CLI::App* command = app.add_subcommand(name, description);
    command->group("Commands");
    command->footer(""); // not the program's
    command->callback([run = std::move(run)] {
        if (const int status = run())
            throw CommandEnded(status);
    });
    return command;
}

int runCommandLine(CLI::App& app, int argc, char** argv)
{
    try {
        app.parse(argc, argv);
        return kExitSuccess;
    } catch (const CommandEnded& ended) {
        return ended.status();
    } catch (const CLI::Success& help) {
        return app.exit(help); // the help text, on standard output
    } catch (const CLI::ParseError& error) {
        const std::vector<CLI::App*> chosen = app.get_subcommands();
        if (chosen.empty() && argc > 1) {
            std::fprintf(stderr, "%s: unknown %s \"%s\"\n\n%s", app.get_name().c_str(),
                         argv[1][0] == '-' ? "option" : "command", argv[1], app.help().c_str());
        } else if (argc == 2 && !chosen.empty()) {
            // A command alone: say what it takes.
            std::fputs(app.help().c_str(), stderr);
        } else {
            const std::string name = commandName(app);
            std::fprintf(stderr, "%s: %s\nRun \"%s --help\" for the options.\n", name.c_str(),
                         error.what(), name.c_str());
        }
        return kExitUsage;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s: %s\n", app.get_name().c_str(), error.what());
        return kExitFailure;
    }
}

} // namespace cli
