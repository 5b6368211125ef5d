#include "kvtc/arg_parser.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "kvtc/tool_errors.h"

namespace kvtc::tool {
namespace {

const OptionDef* FindLong(std::span<const OptionDef> defs, std::string_view name) {
  for (const OptionDef& s : defs) {
    if (s.name == name) return &s;
  }
  return nullptr;
}

const OptionDef* FindShort(std::span<const OptionDef> defs, char c) {
  for (const OptionDef& s : defs) {
    if (s.shortName == c) return &s;
  }
  return nullptr;
}

std::string Dashed(std::string_view name) { return "--" + std::string(name); }

}  // namespace

std::optional<std::string> ParsedArgs::Get(std::string_view name) const {
  auto it = values_.find(std::string(name));
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::optional<long> ParsedArgs::Integer(std::string_view name, long min, long max) const {
  auto text = Get(name);
  if (!text) return std::nullopt;
  long value = 0;
  const char* end = text->data() + text->size();
  auto [ptr, ec] = std::from_chars(text->data(), end, value);
  if (ec != std::errc() || ptr != end || text->empty()) {
    throw UsageError(Dashed(name) + " needs a whole number, not '" + *text + "'");
  }
  if (value < min || value > max) {
    throw UsageError(Dashed(name) + " must be between " + std::to_string(min) + " and " +
                     std::to_string(max) + " (got " + *text + ")");
  }
  return value;
}

std::optional<double> ParsedArgs::Number(std::string_view name, double min, double max) const {
  auto text = Get(name);
  if (!text) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text->c_str(), &end);
  if (text->empty() || *end != '\0' || !std::isfinite(value)) {
    throw UsageError(Dashed(name) + " needs a number, not '" + *text + "'");
  }
  if (value < min || value > max) {
    std::ostringstream range;
    range << Dashed(name) << " must be between " << min << " and " << max << " (got " << *text
          << ")";
    throw UsageError(range.str());
  }
  return value;
}

std::optional<std::size_t> ParsedArgs::Choice(std::string_view name,
                                              std::span<const std::string_view> words) const {
  auto text = Get(name);
  if (!text) return std::nullopt;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (words[i] == *text) return i;
  }
  std::string list;
  for (std::size_t i = 0; i < words.size(); ++i) {
    list += (i ? (i + 1 == words.size() ? " or " : ", ") : "") + std::string(words[i]);
  }
  throw UsageError(Dashed(name) + " must be " + list + " (got '" + *text + "')");
}

std::optional<bool> ParsedArgs::Switch(std::string_view name) const {
  static constexpr std::string_view kWords[] = {"off", "on"};
  auto index = Choice(name, kWords);
  if (!index) return std::nullopt;
  return *index == 1;
}

ParsedArgs ParseArgs(std::span<const std::string> args, std::span<const OptionDef> defs) {
  ParsedArgs parsed;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      parsed.positionals_.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      parsed.help_ = true;
      continue;
    }
    const OptionDef* def = nullptr;
    std::optional<std::string> inlineValue;
    std::string shown = arg;
    if (arg.rfind("--", 0) == 0) {
      std::string_view body(arg);
      body.remove_prefix(2);
      if (auto eq = body.find('='); eq != std::string_view::npos) {
        inlineValue = std::string(body.substr(eq + 1));
        body = body.substr(0, eq);
        shown = Dashed(body);
      }
      def = FindLong(defs, body);
    } else if (arg.size() == 2) {
      def = FindShort(defs, arg[1]);
    }
    if (!def) throw UsageError("unknown option '" + shown + "'");

    std::string value;
    if (def->metavar.empty()) {
      if (inlineValue) throw UsageError(shown + " takes no value");
    } else if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) {
        throw UsageError(shown + " needs a value (" + std::string(def->metavar) + ")");
      }
      value = args[++i];
    }
    parsed.values_[std::string(def->name)] = value;
  }
  return parsed;
}

std::string FormatHelp(std::string_view usage, std::string_view description,
                       std::span<const OptionDef> defs) {
  constexpr std::size_t kLineWidth = 96;
  std::ostringstream out;
  out << "Usage: " << usage << "\n\n" << description << "\n";
  if (defs.empty()) return out.str();
  out << "\nOptions:\n";
  std::vector<std::string> lefts;
  std::size_t width = std::string("-h, --help").size();
  for (const OptionDef& s : defs) {
    std::string left = s.shortName ? std::string("-") + s.shortName + ", " : "    ";
    left += Dashed(s.name);
    if (!s.metavar.empty()) {
      left += ' ';
      left += s.metavar;
    }
    width = std::max(width, left.size());
    lefts.push_back(std::move(left));
  }
  lefts.emplace_back("-h, --help");
  const std::size_t indent = 2 + width + 2;
  for (std::size_t i = 0; i < lefts.size(); ++i) {
    out << "  " << lefts[i] << std::string(width - lefts[i].size() + 2, ' ');
    // The help text, word-wrapped under its own column.
    std::istringstream words(std::string(i < defs.size() ? defs[i].help : "show this help"));
    std::size_t column = indent;
    bool first = true;
    for (std::string word; words >> word;) {
      if (!first && column + 1 + word.size() > kLineWidth) {
        out << "\n" << std::string(indent, ' ');
        column = indent;
      } else if (!first) {
        out << ' ';
        ++column;
      }
      out << word;
      column += word.size();
      first = false;
    }
    out << "\n";
  }
  return out.str();
}

std::optional<ParsedArgs> ParseCommand(std::span<const std::string> args,
                                       const CommandHelp& help) {
  ParsedArgs parsed = ParseArgs(args, help.options);
  if (!parsed.HelpRequested()) return parsed;
  std::fputs(FormatHelp(help.usage, help.description, help.options).c_str(), stdout);
  return std::nullopt;
}

const std::string& OnePositional(const ParsedArgs& args, std::string_view what) {
  if (args.Positionals().size() != 1) throw UsageError("give exactly one " + std::string(what));
  return args.Positionals()[0];
}

std::string Required(const ParsedArgs& args, std::string_view name, std::string_view message) {
  auto value = args.Get(name);
  if (!value || value->empty()) throw UsageError(std::string(message));
  return *value;
}

std::pair<int, int> ParseSize(std::string_view option, std::string_view text) {
  const auto x = text.find('x');
  int w = 0, h = 0;
  bool ok = x != std::string_view::npos;
  if (ok) {
    auto a = std::from_chars(text.data(), text.data() + x, w);
    auto b = std::from_chars(text.data() + x + 1, text.data() + text.size(), h);
    ok = a.ec == std::errc() && a.ptr == text.data() + x && b.ec == std::errc() &&
         b.ptr == text.data() + text.size() && w > 0 && h > 0 && w <= 16384 && h <= 16384;
  }
  if (!ok) {
    throw UsageError(Dashed(option) + " needs WIDTHxHEIGHT, for example 320x240 (got '" +
                     std::string(text) + "')");
  }
  return {w, h};
}

}  // namespace kvtc::tool
