#include <gtest/gtest.h>

#include "harness.h"

// The road of one small input: a loop repeats its body with the value printed.
TEST(Road, LoopRepeatsBodyWithDirectives) {
  TempDir dir;
  Generated g = Translate("##for (int i = 0; i < 2; i++) {\nx##i##\n##}\n");
  ASSERT_EQ(g.ok, 1);
  EXPECT_EQ(g.code,
            "\n#line 1 \"s.C\"\nfor (int i = 0; i < 2; i++) {\n"
            "fprintf(stdcom, \"#line 2 \\\"s.C\\\"\\n\");\n"
            "fprintf(stdcom,\"%s\",\"x\");\n"
            "fprintf(stdcom,_printType(_ftype1(i)),i);fprintf(stdcom, \"%c\",'\\n');\n"
            "#line 3 \"s.C\"\n}\nfclose(stdcom);\n}\n");
  EXPECT_EQ(BuildFinal(), "#line 2 \"s.C\"\nx0\n#line 2 \"s.C\"\nx1\n");
}
