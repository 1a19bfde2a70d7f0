// The names of a run's files, derived from the template's name and the options.
#include <gtest/gtest.h>
#include <unistd.h>

#include "build/settings.h"
#include "driver/names.h"

TEST(Names, DerivedFromTheTemplateAsDesigned) {
  InstallGccSettings();
  const struct { const char *input, *code, *macro, *exe, *final; } cases[] = {
      {"foo.C", "foo_C.C", "foo_M.mac", "foo_C.exe", "foo_new.C"},
      {"foo.c", "foo.c_C.C", "foo.c_M.mac", "foo.c_C.exe", "foo.c_new.C"},  // only ".C" goes
      {"dir.x/foo", "dir.x/foo_C.C", "dir.x/foo_M.mac", "dir.x/foo_C.exe", "dir.x/foo_new.C"},
      {"a.C.C", "a.C_C.C", "a.C_M.mac", "a.C_C.exe", "a.C_new.C"},
  };
  for (const auto &c : cases) {
    RunNames names;
    names.input = c.input;
    DeriveNames(names);
    EXPECT_EQ(names.code + " " + names.macro + " " + names.exe + " " + names.final,
              std::string(c.code) + " " + c.macro + " " + c.exe + " " + c.final) << c.input;
  }
  RunNames piped;
  piped.fromStdin = true;
  piped.input = "<stdin>";
  DeriveNames(piped);
  EXPECT_EQ(piped.final, "stdin_new.C");
  // Names an option set stay; the intermediate files go to a folder by the base name alone.
  RunNames named;
  named.input = "src/t.C";
  named.final = "out.C";
  NameTemps(named, "/tmp/w");
  DeriveNames(named);
  EXPECT_EQ(named.code + " " + named.exe + " " + named.final, "/tmp/w/t_C.C /tmp/w/t_C.exe out.C");
  ResetSettings();
}

TEST(Names, InputOptionCodeAndMacroFiles) {
  for (const auto &c : std::vector<std::pair<const char *, const char *>>{
           {"-cfoo", "foo.C"}, {"-cfoo.c", "foo.c"}, {"-cfoo.cpp", "foo.cpp.C"}, {"-ca/b", "a/b.C"}})
    EXPECT_EQ(InputOption(c.first), c.second) << c.first;
  // The code file includes the macro file by the name that finds it beside the code file.
  EXPECT_EQ(MacroIncludeName("x_C.C", "x_M.mac"), "x_M.mac");
  EXPECT_EQ(MacroIncludeName("/t/w/x_C.C", "/t/w/x_M.mac"), "x_M.mac");
  EXPECT_EQ(MacroIncludeName("gen/x.C", "/abs/x.mac"), "/abs/x.mac");
  char *cwd = getcwd(nullptr, 0);
  EXPECT_EQ(MacroIncludeName("gen/x.C", "m/x.mac"), std::string(cwd) + "/m/x.mac");
  free(cwd);
  EXPECT_EQ(SegmentsNameFor("/t/w/x_C.C"), "/t/w/x_C.dat");
  EXPECT_EQ(SegmentsNameFor("dir.x/gen"), "dir.x/gen.dat");
  EXPECT_EQ(FolderOf("a/b/c.C") + " " + FolderOf("c.C") + " " + FolderOf("/c.C"), "a/b . /");
  EXPECT_EQ(BaseName("a/b/c.C") + " " + BaseName("c.C"), "c.C c.C");
}
