#pragma once
// zet-cli: commands register themselves here; main() dispatches.
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace zet::cli {

// Exit codes shared by every command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitInstrument = 1;  // recorder silent, wrong answer, bad preamble, test not normal
inline constexpr int kExitUsage = 2;
inline constexpr int kExitFile = 3;        // file or port errors
inline constexpr int kExitInterrupted = 130;  // Ctrl-C, as shells report it

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parsed arguments: options "--name value" or "--flag", then positionals.
class Args {
 public:
  // flags: option names that take no value (e.g. "json"); all others take one.
  Args(const std::vector<std::string>& argv, const std::vector<std::string>& flags);
  bool Flag(const std::string& name) const { return flags_.count(name) != 0; }
  std::optional<std::string> Option(const std::string& name) const;
  // Every value of options that may be given more than once, as they came: (name, value).
  std::vector<std::pair<std::string, std::string>> OptionsInOrder(const std::vector<std::string>& names) const;
  const std::vector<std::string>& Positional() const { return positional_; }
  // Throws UsageError for an option that no command reads.
  void CheckKnown(const std::vector<std::string>& known) const;
  int IntOption(const std::string& name, int def, int lo, int hi) const;

 private:
  std::map<std::string, std::string> options_;
  std::vector<std::pair<std::string, std::string>> given_;  // every option with a value, in order
  std::map<std::string, bool> flags_;
  std::vector<std::string> positional_;
};

struct Command {
  std::string name;
  std::string summary;  // one line for the command list
  std::string help;     // full usage text
  std::vector<std::string> flags;  // options without a value
  std::function<int(const Args&)> run;
};

bool RegisterCommand(Command c);
const std::map<std::string, Command>& Commands();

}  // namespace zet::cli
