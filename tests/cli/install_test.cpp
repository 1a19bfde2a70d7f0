// Vorn as other builds use it: "cmake --install" into a fresh prefix, the sample project
// examples/cmake built against that prefix with find_package(Vorn) and vorn_generate, and
// the compiler.cfg recipe that compiles the generator program through ccache.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "harness.h"

// How many templates a build ran Vorn on; the build's status goes to *status.
static int Regenerated(const std::string &build, int *status) {
  *status = Shell("cmake --build " + build + " >build.out 2>&1");
  const std::string out = ReadFile("build.out");
  int runs = 0;
  for (size_t at = 0; (at = out.find(" with Vorn", at)) != std::string::npos; at++) runs++;
  return runs;
}

TEST(Install, SampleProjectBuildsAgainstTheInstalledPackage) {
  TempDir dir;
  const std::string bin = VORN_BIN, build = bin.substr(0, bin.rfind('/'));
  ASSERT_EQ(Shell("cmake --install " + build + " --prefix prefix >install.out"), 0);
  for (const char *file : {"bin/vorn", "share/man/man1/vorn.1", "lib/cmake/Vorn/VornConfig.cmake",
                           "lib/cmake/Vorn/VornConfigVersion.cmake", "lib/cmake/Vorn/Vorn.cmake"})
    EXPECT_EQ(access(("prefix/" + std::string(file)).c_str(), R_OK), 0) << file;
  for (const std::string generator : {"Ninja", "Unix Makefiles"}) {
    SCOPED_TRACE(generator);
    if (generator == "Ninja" && Shell("command -v ninja >/dev/null") != 0) continue;
    ASSERT_EQ(Shell("rm -rf src b && cp -r " + std::string(VORN_SOURCE_DIR) + "/examples/cmake src"), 0);
    ASSERT_EQ(Shell("cmake -G '" + generator + "' -S src -B b -DCMAKE_PREFIX_PATH=" + dir.path +
                    "/prefix >build.out 2>&1"), 0) << ReadFile("build.out");
    int status = -1;
    EXPECT_EQ(Regenerated("b", &status), 2);
    ASSERT_EQ(status, 0) << ReadFile("build.out");
    ASSERT_EQ(Shell("b/tables >run.out"), 0);
    EXPECT_EQ(ReadFile("run.out"), "20 powers, the last 1162261467\nMonday (Mon) to Sunday (Sun)\n");
    EXPECT_EQ(ReadFile("b/gen/powers.c").rfind("#line 1 \"parts/notice.inc\"\n", 0), 0u);
    // The template is named from the folder where the build compiles the final source.
    EXPECT_NE(ReadFile("b/weekdays.c").find("#line 2 \"../src/weekdays.C\"\n"), std::string::npos)
        << ReadFile("b/weekdays.c");
    EXPECT_EQ(ReadFile("b/weekdays.c").find(dir.path), std::string::npos);
    // NO_COMPACT writes the default form of the generator program, which
    // SAVE_TEMPS keeps; without it nothing but the output and its rule is left.
    EXPECT_EQ(ReadFile("b/weekdays.c.vorn/weekdays_C.C").find("fwrite("), std::string::npos);
    EXPECT_NE(ReadFile("b/weekdays.c.vorn/weekdays_C.C").find("fprintf(stdcom"), std::string::npos);
    EXPECT_EQ(Shell("ls -d b/gen/powers.c.vorn 2>/dev/null"), 2);
    // The compiled generator programs are kept in the build tree's cache.
    EXPECT_EQ(Shell("test $(ls b/vorn-cache/*.mf | wc -l) -eq 2"), 0);
    // TIMEOUT and MAX_OUTPUT reach Vorn's command line.
    EXPECT_EQ(Shell("grep -rqs -e --timeout=60 b/build.ninja b/CMakeFiles"), 0);
    EXPECT_EQ(Shell("grep -rqs -e --max-output=1M b/build.ninja b/CMakeFiles"), 0);
    // Vorn ran in the templates' directory and wrote nothing there.
    ASSERT_EQ(Shell("ls -R src >src.ls"), 0);
    EXPECT_EQ(ReadFile("src.ls"),
              "src:\nCMakeLists.txt\nmain.c\nmeson.build\nparams.h\nparts\npowers.C\nweekdays.C\n\nsrc/parts:\nnotice.inc\n");
    // Nothing changed: nothing runs again. Vorn's dependency file names the
    // included part, so an edit to it runs Vorn on both templates again.
    EXPECT_EQ(Regenerated("b", &status), 0);
    ASSERT_EQ(Shell("sleep 1; echo '/* edited */' >src/parts/notice.inc"), 0);
    EXPECT_EQ(Regenerated("b", &status), 2);
    EXPECT_EQ(ReadFile("b/weekdays.c").find("#line 1 \"parts/notice.inc\"\n/* edited */\n"), 0u);
    // It names the header that the macro code of powers.C includes, too: a new
    // bound there runs Vorn on that template alone, and the table follows it.
    ASSERT_EQ(Shell("sleep 1; echo '#define POWERS_MAX 1000000L' >src/params.h"), 0);
    EXPECT_EQ(Regenerated("b", &status), 1) << ReadFile("build.out");
    ASSERT_EQ(status, 0) << ReadFile("build.out");
    ASSERT_EQ(Shell("b/tables >run.out"), 0);
    EXPECT_EQ(ReadFile("run.out"), "13 powers, the last 531441\nMonday (Mon) to Sunday (Sun)\n");
    // make does not make the folder of a rule's output: vorn_generate does, at
    // every run, so a build after the folder was removed makes it again.
    ASSERT_EQ(Shell("rm -r b/gen"), 0);
    EXPECT_EQ(Regenerated("b", &status), 1);
    EXPECT_EQ(status, 0) << ReadFile("build.out");
    EXPECT_NE(ReadFile("b/gen/powers.c").find("\n    531441,\n"), std::string::npos);
    // A template touched so that its output does not change runs Vorn, but the
    // output keeps its time stamp: Ninja, which checks outputs again after a
    // custom command, compiles nothing downstream. (make goes by time stamps
    // alone: it runs Vorn on that template at every build until it changes.)
    if (generator == "Ninja") {
      ASSERT_EQ(Shell("sleep 1; touch src/weekdays.C"), 0);
      EXPECT_EQ(Regenerated("b", &status), 1);
      EXPECT_EQ(ReadFile("build.out").find("weekdays.c.o"), std::string::npos) << ReadFile("build.out");
      EXPECT_EQ(Regenerated("b", &status), 0);
    }
    // So does a part that another part includes from beside it.
    WriteFile("src/parts/year.inc", "/* 2026 */\n");
    ASSERT_EQ(Shell("echo '##include \"year.inc\"' >>src/parts/notice.inc"), 0);
    EXPECT_EQ(Regenerated("b", &status), 2);
    ASSERT_EQ(Shell("sleep 1; echo '/* 2027 */' >src/parts/year.inc"), 0);
    EXPECT_EQ(Regenerated("b", &status), 2);
    EXPECT_NE(ReadFile("b/weekdays.c").find("#line 1 \"parts/year.inc\"\n/* 2027 */\n"),
              std::string::npos) << ReadFile("b/weekdays.c");
    // A missing include is an error: the build stops, naming the place.
    ASSERT_EQ(Shell("echo '##include \"gone.inc\"' >>src/weekdays.C"), 0);
    Regenerated("b", &status);
    EXPECT_NE(status, 0);
    EXPECT_NE(ReadFile("build.out").find("weekdays.C:"), std::string::npos) << ReadFile("build.out");
    EXPECT_NE(ReadFile("build.out").find(": error: cannot open include file \"gone.inc\""),
              std::string::npos) << ReadFile("build.out");
  }
}

// Two checkouts of one project at different paths, sharing one cache folder: the same final
// sources and generator programs, byte for byte, and the second build runs the programs the
// first compiled. A local header of macro code edited in the second checkout alone is its own:
// the entry made from the first checkout's header does not serve it.
TEST(Install, CheckoutsAtOtherPathsGiveTheSameOutputsAndShareTheCache) {
  TempDir dir;
  const std::string bin = VORN_BIN, build = bin.substr(0, bin.rfind('/'));
  ASSERT_EQ(Shell("cmake --install " + build + " --prefix prefix >install.out"), 0);
  const std::string generator = Shell("command -v ninja >/dev/null") == 0 ? "Ninja" : "Unix Makefiles";
  const std::string checkouts[] = {"one", "deeper/path/two"};
  for (const std::string &checkout : checkouts) {
    // Both templates in the compact form, their generator programs kept to be compared.
    ASSERT_EQ(Shell("mkdir -p " + checkout + " && cp -r " + std::string(VORN_SOURCE_DIR) +
                    "/examples/cmake " + checkout + "/src && sed -i -e 's/ NO_COMPACT//' -e "
                    "'s/SOURCE powers.C/SOURCE powers.C SAVE_TEMPS/' " + checkout + "/src/CMakeLists.txt"), 0);
    ASSERT_EQ(Shell("cmake -G '" + generator + "' -S " + checkout + "/src -B " + checkout + "/b" +
                    " -DCMAKE_PREFIX_PATH=" + dir.path + "/prefix -DVORN_CACHE_DIR=" + dir.path +
                    "/shared >build.out 2>&1"), 0) << ReadFile("build.out");
    ASSERT_EQ(Shell("ls -i shared/*.exe >before.ls 2>/dev/null; cmake --build " + checkout + "/b >build.out 2>&1"), 0)
        << ReadFile("build.out");
  }
  for (const char *file : {"gen/powers.c", "weekdays.c", "weekdays.c.vorn/weekdays_C.C", "weekdays.c.vorn/weekdays_M.mac",
                           "gen/powers.c.vorn/powers_C.C", "gen/powers.c.vorn/powers_M.mac", "gen/powers.c.vorn/powers_C.dat"})
    EXPECT_EQ(ReadFile(std::string("one/b/") + file), ReadFile(std::string("deeper/path/two/b/") + file)) << file;
  // The second build stored nothing: every program it ran came from the first.
  ASSERT_EQ(Shell("ls -i shared/*.exe >after.ls"), 0);
  EXPECT_EQ(ReadFile("before.ls"), ReadFile("after.ls"));
  EXPECT_EQ(Shell("test $(ls shared/*.mf | wc -l) -eq 2"), 0);
  ASSERT_EQ(Shell("sleep 1; echo '#define POWERS_MAX 100L' >deeper/path/two/src/params.h"), 0);
  ASSERT_EQ(Shell("cmake --build deeper/path/two/b >build.out 2>&1"), 0) << ReadFile("build.out");
  EXPECT_NE(ReadFile("deeper/path/two/b/gen/powers.c").find("    81,\n"), std::string::npos);
  EXPECT_EQ(ReadFile("deeper/path/two/b/gen/powers.c").find("    243,\n"), std::string::npos);
  EXPECT_NE(ReadFile("one/b/gen/powers.c").find("    243,\n"), std::string::npos);
}

// The sample project built with Meson (its meson.build): the templates run through custom
// targets with Vorn's dependency file, so an edit of the header macro code includes or of an
// included part runs Vorn again on the templates that read it, a build with nothing changed
// does nothing, and a template's mistake fails the build naming its line.
TEST(Install, MesonProjectRegeneratesWhatChanged) {
  if (Shell("command -v meson >/dev/null") != 0) GTEST_SKIP() << "meson is not installed";
  TempDir dir;
  const std::string bin = VORN_BIN, build = bin.substr(0, bin.rfind('/'));
  ASSERT_EQ(Shell("cmake --install " + build + " --prefix prefix >install.out"), 0);
  ASSERT_EQ(Shell("cp -r " + std::string(VORN_SOURCE_DIR) + "/examples/cmake src"), 0);
  const std::string path = "PATH=" + dir.path + "/prefix/bin:$PATH ";
  ASSERT_EQ(Shell(path + "meson setup b src >build.out 2>&1"), 0) << ReadFile("build.out");
  const auto regenerated = [&](int *status) {
    *status = Shell(path + "meson compile -C b >build.out 2>&1");
    const std::string out = ReadFile("build.out");
    int runs = 0;
    for (size_t at = 0; (at = out.find("Generating ", at)) != std::string::npos; at++) runs++;
    return runs;
  };
  int status = -1;
  EXPECT_EQ(regenerated(&status), 2);
  ASSERT_EQ(status, 0) << ReadFile("build.out");
  ASSERT_EQ(Shell("b/tables >run.out"), 0);
  EXPECT_EQ(ReadFile("run.out"), "20 powers, the last 1162261467\nMonday (Mon) to Sunday (Sun)\n");
  EXPECT_EQ(ReadFile("b/powers.c").rfind("#line 1 \"../src/parts/notice.inc\"\n", 0), 0u);
  EXPECT_EQ(regenerated(&status), 0);
  EXPECT_NE(ReadFile("build.out").find("no work to do"), std::string::npos) << ReadFile("build.out");
  ASSERT_EQ(Shell("sleep 1; echo '#define POWERS_MAX 1000L' >src/params.h"), 0);
  EXPECT_EQ(regenerated(&status), 1) << ReadFile("build.out");
  ASSERT_EQ(Shell("b/tables >run.out"), 0);
  EXPECT_EQ(ReadFile("run.out"), "7 powers, the last 729\nMonday (Mon) to Sunday (Sun)\n");
  ASSERT_EQ(Shell("sleep 1; echo '/* edited */' >>src/parts/notice.inc"), 0);
  EXPECT_EQ(regenerated(&status), 2);
  ASSERT_EQ(Shell("echo '##int broken = ;' >>src/weekdays.C"), 0);
  regenerated(&status);
  EXPECT_NE(status, 0);
  EXPECT_NE(ReadFile("build.out").find("../src/weekdays.C:18:16: error:"), std::string::npos) << ReadFile("build.out");
}

TEST(Ccache, CompileToObjectAndLinkRecipe) {
  if (access("/usr/bin/ccache", X_OK) != 0) GTEST_SKIP() << "ccache is not installed";
  TempDir dir;
  WriteFile("compiler.cfg", "#GCC SRC=C OBJ=o EXE=exe\n"
                            "COMPILER=/usr/bin/ccache SRC OBJ\nLINE=ccache gcc -c %s -o %s\n"
                            "LINKER=/usr/bin/gcc OBJ EXE\nLINE=gcc %s -o %s\n");
  ASSERT_EQ(Shell("cp " + std::string(VORN_SOURCE_DIR) + "/examples/squares.C ."), 0);
  setenv("CCACHE_DIR", (dir.path + "/cache").c_str(), 1);
  for (int run = 0; run < 2; run++) {  // the second run finds the object in the cache
    ASSERT_EQ(Shell("rm -f squares_C.* squares_new.C"), 0);
    RunResult r = RunVorn({"squares.C"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(access("squares_C.o", R_OK), 0);  // compiled to an object, then linked
    EXPECT_NE(ReadFile("squares_new.C").find("\n    36,\n#line 7 \"squares.C\"\n    49,\n"),
              std::string::npos);
  }
  EXPECT_EQ(Shell("ccache --print-stats | grep -Eq '^(direct|preprocessed)_cache_hit\t1$'"), 0);
  // Vorn's own options for the compile (the template's folder for a code file in
  // a private folder, the header list for --cache) go behind ccache, to gcc.
  for (int run = 0; run < 2; run++) {
    RunResult r = RunVorn({"-q", "--cache=vc", "--output=sq.c", "squares.C"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile("sq.c"), ReadFile("squares_new.C"));
  }
}
