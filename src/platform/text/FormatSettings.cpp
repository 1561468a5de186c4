#include "platform/text/FormatSettings.h"

TFormatSettings FormatSettings;
