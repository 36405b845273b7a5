// The command text taken from the arguments, and the completion line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "startup.h"

namespace scrivane {
namespace {

std::string CommandFrom(std::vector<const char*> arguments) {
  arguments.insert(arguments.begin(), "scrivane");
  return CommandText(static_cast<int>(arguments.size()), arguments.data());
}

TEST(CommandText, TrimsJoinsAndRemovesQuotes) {
  struct Case {
    std::vector<const char*> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {{}, ""},
      {{"notes.txt"}, "notes.txt"},
      {{"   "}, ""},                                   // only spaces: no argument, the window starts
      {{" ", " "}, ""},
      {{"  notes.txt  "}, "notes.txt"},
      {{"My", "Files/a.txt"}, "My Files/a.txt"},       // arguments joined by single spaces
      {{"My  Files/a.txt"}, "My  Files/a.txt"},        // inner spaces stay
      {{"\"/home/me/My Files/a.txt\""}, "/home/me/My Files/a.txt"},
      {{"  \"a.txt\"  "}, "a.txt"},                    // trimmed before the quotes go
      {{"\" a.txt \""}, " a.txt "},                    // spaces inside the quotes stay
      {{"\"a.txt"}, "a.tx"},                           // the last character goes whatever it is
      {{"\"a.txt\"x"}, "a.txt\""},
      {{"a.txt\""}, "a.txt\""},                        // no opening quote: nothing removed
      {{"\""}, ""},                                    // a lone quote leaves no name
      {{"\"\""}, ""},
      {{"\"caf\xC3\xA9"}, "caf"},                      // a whole last character, not its last byte
      {{"-h"}, "-h"},                                  // no switches: it is a file name
      {{"\ta.txt\t"}, "\ta.txt\t"},                    // only spaces are trimmed
  };
  for (const Case& c : cases) {
    std::string shown;
    for (const char* argument : c.arguments) shown += std::string("[") + argument + "]";
    EXPECT_EQ(CommandFrom(c.arguments), c.expected) << shown;
  }
}

TEST(CompletionLine, OneLineNamingTheDocument) {
  struct Case {
    std::string path, expected;
  };
  const Case cases[] = {
      {"/tmp/a b.txt.html", "Finished Conversion. HTML document written to file /tmp/a b.txt.html"},
      {" lead.html", "Finished Conversion. HTML document written to file  lead.html"},
  };
  for (const Case& c : cases) EXPECT_EQ(CompletionLine(c.path), c.expected) << c.path;
}

}  // namespace
}  // namespace scrivane
