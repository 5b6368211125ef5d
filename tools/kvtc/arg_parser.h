// Command-line parsing for the tool's commands: long options with or without a value
// ("--radius 4", "--radius=4"), the short forms -o, -q and -h, positional arguments, and "--"
// to end the options. Values are checked by the typed readers below, which throw UsageError
// with a message naming the option.
#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kvtc::tool {

struct OptionDef {
  std::string_view name;     // long name without the dashes
  std::string_view metavar;  // empty for a flag that takes no value
  std::string_view help;
  char shortName = 0;        // a one-letter alias, or 0
};

class ParsedArgs {
 public:
  bool Has(std::string_view name) const { return values_.count(std::string(name)) != 0; }
  // The option's value ("" for a flag); nullopt when it was not given. The last one wins.
  std::optional<std::string> Get(std::string_view name) const;
  const std::vector<std::string>& Positionals() const { return positionals_; }
  bool HelpRequested() const { return help_; }

  // Typed readers; each throws UsageError naming the option when the value does not fit.
  std::optional<long> Integer(std::string_view name, long min, long max) const;
  std::optional<double> Number(std::string_view name, double min, double max) const;
  // One of the listed words; returns its index.
  std::optional<std::size_t> Choice(std::string_view name,
                                    std::span<const std::string_view> words) const;
  // "on" or "off".
  std::optional<bool> Switch(std::string_view name) const;

 private:
  friend ParsedArgs ParseArgs(std::span<const std::string> args,
                              std::span<const OptionDef> defs);
  std::map<std::string, std::string> values_;
  std::vector<std::string> positionals_;
  bool help_ = false;
};

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionDef> defs);

// The --help text: the usage line, a description, then one line per option.
std::string FormatHelp(std::string_view usage, std::string_view description,
                       std::span<const OptionDef> defs);

// What a command says about itself in its --help.
struct CommandHelp {
  std::string_view usage;
  std::string_view description;
  std::span<const OptionDef> options;
};

// Parses a command's arguments; prints its help to standard output and returns nullopt when
// --help was asked for.
std::optional<ParsedArgs> ParseCommand(std::span<const std::string> args, const CommandHelp& help);

// The one positional argument, or UsageError("give exactly one <what>").
const std::string& OnePositional(const ParsedArgs& args, std::string_view what);
// A value that must be given, or UsageError(message).
std::string Required(const ParsedArgs& args, std::string_view name, std::string_view message);

// "320x240" -> {320, 240}; throws UsageError naming the option.
std::pair<int, int> ParseSize(std::string_view option, std::string_view text);

}  // namespace kvtc::tool
