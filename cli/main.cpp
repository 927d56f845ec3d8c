// zet-cli: the recorder's instrument work and file conversions without a window.
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli/terminal.h"
#include "recording/replacing_file.h"

namespace zet::cli {

std::map<std::string, Command>& Registry() {
  static std::map<std::string, Command> commands;
  return commands;
}

bool RegisterCommand(Command c) {
  std::string name = c.name;
  Registry()[name] = std::move(c);
  return true;
}

const std::map<std::string, Command>& Commands() { return Registry(); }

Args::Args(const std::vector<std::string>& argv, const std::vector<std::string>& flags) {
  for (std::size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a.size() > 2 && a.compare(0, 2, "--") == 0) {
      std::string name = a.substr(2);
      std::string value;
      bool hasValue = false;
      if (auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasValue = true;
      }
      bool isFlag = false;
      for (const auto& f : flags) isFlag = isFlag || f == name;
      if (isFlag) {
        if (hasValue) throw UsageError("option --" + name + " takes no value");
        flags_[name] = true;
      } else {
        if (!hasValue) {
          if (i + 1 >= argv.size()) throw UsageError("option --" + name + " needs a value");
          value = argv[++i];
        }
        options_[name] = value;
        given_.emplace_back(name, value);
      }
    } else {
      positional_.push_back(a);
    }
  }
}

std::optional<std::string> Args::Option(const std::string& name) const {
  auto it = options_.find(name);
  if (it == options_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::pair<std::string, std::string>> Args::OptionsInOrder(const std::vector<std::string>& names) const {
  std::vector<std::pair<std::string, std::string>> out;
  for (const auto& g : given_)
    for (const auto& n : names)
      if (g.first == n) out.push_back(g);
  return out;
}

void Args::CheckKnown(const std::vector<std::string>& known) const {
  auto isKnown = [&](const std::string& n) {
    for (const auto& k : known)
      if (k == n) return true;
    return false;
  };
  for (const auto& [n, v] : options_)
    if (!isKnown(n)) throw UsageError("unknown option --" + n);
  for (const auto& [n, v] : flags_)
    if (!isKnown(n)) throw UsageError("unknown option --" + n);
}

int Args::IntOption(const std::string& name, int def, int lo, int hi) const {
  auto v = Option(name);
  if (!v) return def;
  try {
    std::size_t used = 0;
    long n = std::stol(*v, &used);
    if (used != v->size() || n < lo || n > hi) throw std::out_of_range(name);
    return static_cast<int>(n);
  } catch (const std::exception&) {
    throw UsageError("--" + name + " must be a whole number from " + std::to_string(lo) + " to " +
                     std::to_string(hi));
  }
}

}  // namespace zet::cli

namespace {

const char* kOrder[] = {"info", "stats", "export", "render", "download", "program", "monitor", "selftest", "simulate"};

// The commands in the order of the list: the usual ones first, the rest after.
std::vector<std::string> CommandNames() {
  const auto& cmds = zet::cli::Commands();
  std::vector<std::string> names;
  for (const char* n : kOrder)
    if (cmds.count(n)) names.push_back(n);
  for (const auto& [n, c] : cmds) {
    bool listed = false;
    for (const auto& m : names) listed = listed || m == n;
    if (!listed) names.push_back(n);
  }
  return names;
}

void PrintUsage(std::FILE* out) {
  std::fprintf(out,
               "Usage: zet-cli COMMAND [options]\n"
               "Work with the ZET voltage recorder and its .zet files without a window.\n\n"
               "Commands:\n");
  const auto& cmds = zet::cli::Commands();
  for (const auto& n : CommandNames()) std::fprintf(out, "  %-10s %s\n", n.c_str(), cmds.at(n).summary.c_str());
  std::fprintf(out,
               "\n'zet-cli COMMAND --help' describes a command; 'zet-cli --help-all'\n"
               "describes them all, 'zet-cli --version' gives the version.\n"
               "Exit codes: 0 success, 1 the recorder did not answer or answered wrongly\n"
               "(or a download stopped short), 2 wrong usage, 3 a file or port error,\n"
               "130 interrupted with Ctrl-C.\n");
}

}  // namespace

int main(int argc, char** argv) {
  using namespace zet::cli;
  std::vector<std::string> args = StartTerminal(argc, argv);
  zet::RemoveTemporariesOnSignals();
  if (args.empty()) {
    PrintUsage(stderr);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(stdout);
    return kExitOk;
  }
  if (args[0] == "--version") {
    std::printf("zet-cli %s\n", ZET_VERSION);
    return kExitOk;
  }
  if (args[0] == "--help-all") {
    // Every command's own help after the overview: what the manual page holds.
    PrintUsage(stdout);
    for (const std::string& name : CommandNames()) {
      // A heading per command, and the usage lines apart from the text below them.
      std::string help = Commands().at(name).help;
      std::size_t end = help.find('\n');
      while (end != std::string::npos && end + 1 < help.size() && help[end + 1] == ' ')
        end = help.find('\n', end + 1);
      if (end != std::string::npos) help.insert(end + 1, "\n");
      std::printf("\nzet-cli %s:\n\n%s", name.c_str(), help.c_str());
    }
    return kExitOk;
  }
  const auto& cmds = Commands();
  auto it = cmds.find(args[0]);
  if (it == cmds.end()) {
    std::fprintf(stderr, "zet-cli: unknown command '%s'\n\n", args[0].c_str());
    PrintUsage(stderr);
    return kExitUsage;
  }
  const Command& cmd = it->second;
  std::vector<std::string> rest(args.begin() + 1, args.end());
  for (const auto& a : rest) {
    if (a == "--help" || a == "-h") {
      std::fputs(cmd.help.c_str(), stdout);
      return kExitOk;
    }
  }
  try {
    std::vector<std::string> flags = cmd.flags;
    Args parsed(rest, flags);
    return cmd.run(parsed);
  } catch (const UsageError& e) {
    std::fprintf(stderr, "zet-cli %s: %s\n\n%s", cmd.name.c_str(), e.what(), cmd.help.c_str());
    return kExitUsage;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "zet-cli %s: not enough memory\n", cmd.name.c_str());
    return kExitFile;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zet-cli %s: %s\n", cmd.name.c_str(), e.what());
    return kExitFile;
  }
}
