// Renders a report: readable indented text, or JSON.
#pragma once

#include "builder/inspect/report.h"

#include <string>

// One "key: value" line per scalar, nested members indented by two spaces,
// list items introduced by "- ". Texts are quoted with C-style escapes, so
// leading blanks, line breaks and NULs inside a text stay visible.
std::string renderReportText(const ReportNode& root);

// Pretty-printed JSON (two-space indentation) with a final line feed.
std::string renderReportJson(const ReportNode& root);

// A JSON string literal for UTF-8 text: quotes, backslashes and every control
// character escaped.
std::string jsonQuote(const std::string& utf8);
// The text writer's quoted form of a text.
std::string textQuote(const std::string& utf8);
