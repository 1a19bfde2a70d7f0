// Seeded random templates that mix every construct, each built together with
// the final source it must give: plain text comes back as written (a raw tab
// in a string literal as \t), a loop repeats its body, an expression prints
// its value. Include files are written to the working directory as they are
// built.
#pragma once
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"

struct Builder {
  std::mt19937 rng;
  std::string source, expected;
  int line = 1;                                        // next source line of s.C
  std::map<std::pair<std::string, int>, std::string> plain;  // (file, line) -> final text
  int serial = 0;                                      // makes macro names unique

  explicit Builder(unsigned seed) : rng(seed) {}
  int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

  // Ordinary text without macro constructs, comments or unpaired quotes; each
  // entry of the pair is (as written, as it must come out).
  std::pair<std::string, std::string> Text(int length) {
    static const std::string palette =
        "abcxyzANL019 ;,.()[]{}+-*=<>!&|^~%?:\\\t\r\x01\x7f\x80\xe9\xff";
    std::string in, out;
    while (static_cast<int>(in.size()) < length) {
      int kind = Pick(20);
      if (kind == 0) {  // a string literal; a raw tab in it comes out as \t
        std::string body;
        for (int n = Pick(8); n > 0; n--) body += "ab\t\\n \x80"[Pick(7)];
        std::string shown = body;
        for (size_t at = 0; (at = shown.find('\t', at)) != std::string::npos;) shown.replace(at, 1, "\\t");
        if (!body.empty() && body.back() == '\\') body += 'n', shown += 'n';
        in += "\"" + body + "\"", out += "\"" + shown + "\"";
      } else if (kind == 1) {
        in += "'x'", out += "'x'";
      } else if (kind == 2) {
        in += std::string(1, '\0'), out += std::string(1, '\0');
      } else {
        char c = palette[Pick(static_cast<int>(palette.size()))];
        in += c, out += c;
      }
    }
    return {in, out};
  }

  void Plain(const std::string &in, const std::string &out, const char *end = "\n") {
    source += in + end;
    expected += out + end;
    plain[{"s.C", line++}] = out + (end[0] == '\r' ? "\r" : "");
  }

  void Segment(std::vector<std::string> &words) {
    switch (Pick(9)) {
      case 0: {  // a comment over several lines
        int lines = 1 + Pick(3);
        std::string text = "/* c";
        for (int i = 1; i < lines; i++) text += "\n line";
        text += " */ x";
        source += text + "\n", expected += text + "\n";
        size_t at = 0;
        for (int i = 0; i < lines; i++) {
          size_t end = text.find('\n', at);
          plain[{"s.C", line++}] = text.substr(at, end == std::string::npos ? end : end - at);
          at = end + 1;
        }
        break;
      }
      case 1: {  // a loop whose body prints its counter
        int reps = 1 + Pick(3), id = serial++;
        auto [in, out] = Text(Pick(30));
        source += "##for (int k" + std::to_string(id) + " = 0; k" + std::to_string(id) + " < " +
                  std::to_string(reps) + "; k" + std::to_string(id) + "++) {\n";
        source += in + "=##k" + std::to_string(id) + "##;\n##}\n";
        for (int r = 0; r < reps; r++) expected += out + "=" + std::to_string(r) + ";\n";
        line += 3;
        break;
      }
      case 2: {  // a helper function and its use
        int id = serial++;
        source += "##MSTART\nint f" + std::to_string(id) + "(int v) { return v * 7; }\n##MEND\n";
        source += "v = ##f" + std::to_string(id) + "(" + std::to_string(id) + ")##;\n";
        expected += "v = " + std::to_string(id * 7) + ";\n";
        line += 4;
        break;
      }
      case 3: {  // parameter references
        source += "p $1 q $2\n";
        expected += "p " + words[0] + " q " + words[1] + "\n";
        line++;
        break;
      }
      case 4: {  // an include file, sometimes without its last newline
        std::string name = "inc" + std::to_string(serial++) + ".h";
        auto [in, out] = Text(Pick(40));
        bool newline = Pick(2);
        WriteFile(name, "first\n" + in + (newline ? "\n" : ""));
        plain[{name, 1}] = "first";
        plain[{name, 2}] = out;
        source += "##include \"" + name + "\"\n";
        expected += "first\n" + out + "\n";
        line++;
        break;
      }
      case 5: {  // a line past the buffers' sizes
        auto [in, out] = Text(Pick(2) ? 2100 + Pick(100) : 17000 + Pick(100));
        Plain(in, out);
        break;
      }
      case 6: {  // inserted code
        int id = serial++;
        source += "a ##.int z" + std::to_string(id) + " = " + std::to_string(id) + ";## b ##z" +
                  std::to_string(id) + "##\n";
        expected += "a  b " + std::to_string(id) + "\n";
        line++;
        break;
      }
      default: {  // a plain line, maybe with a comment, maybe ending in CRLF
        auto [in, out] = Text(Pick(60));
        std::string note = Pick(4) ? "" : " // note";
        Plain(in + note, out + note, Pick(5) ? "\n" : "\r\n");
      }
    }
  }
};

// The parameter words every random template is run with, as "-cs -M" words.
inline const std::vector<std::string> RandomWords = {"w\"1\\", "x y"};
// Seeds 1 to RandomSeeds give the templates the reliability suite tries.
constexpr unsigned RandomSeeds = 30;

// The template of one seed, with its include files in the working directory.
inline Builder RandomTemplate(unsigned seed) {
  Builder b(seed);
  std::vector<std::string> words = RandomWords;
  for (int i = 0, n = 4 + b.Pick(10); i < n; i++) b.Segment(words);
  if (b.Pick(2)) {  // a last line without newline
    auto [in, out] = b.Text(10);
    b.source += in, b.expected += out;
  }
  return b;
}
