// Diagnostics of a run.
#include "driver/diagnostics.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

#include "scanner/input_stack.h"

int Quiet = 0;
int TemplateErrors = 0;
int TemplateMistakes = 0;

void TemplateError(const std::string &file, int line, const std::string &text) {
  fflush(stdout);  // the designed report, on standard output, stays ahead of this line
  fprintf(stderr, "%s:%d: error: %s\n", file.c_str(), line, text.c_str());
  TemplateErrors++;
  TemplateMistakes++;
}

void TemplateErrorHere(const std::string &text) {
  if (LastFile == nullptr) return CountError();
  TemplateError(LastFile->fname, LastFile->line, text);
}

void CountError() { TemplateErrors++; }

void VornError(const std::string &text) {
  fflush(stdout);
  fprintf(stderr, "vorn: error: %s\n", text.c_str());
}

void DesignedError(const std::string &designed, const std::string &quietText) {
  if (Quiet) return VornError(quietText);
  fflush(stdout);
  fputs(designed.c_str(), stderr);
}

void VornWarning(const std::string &text) {
  fflush(stdout);
  fprintf(stderr, "vorn: warning: %s\n", text.c_str());
}

void SilenceStdout() {
  fflush(stdout);
  int null = open("/dev/null", O_WRONLY);
  if (null < 0) return;
  dup2(null, STDOUT_FILENO);
  close(null);
}

void ResetDiagnostics() {
  Quiet = 0;
  TemplateErrors = 0;
  TemplateMistakes = 0;
}
