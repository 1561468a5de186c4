#pragma once

#include <QString>

// A new GUID in the text form rows carry it in: braces and upper-case hex digits,
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". Transfer files match rows by it, so the form is fixed.
QString NewGuidText();
