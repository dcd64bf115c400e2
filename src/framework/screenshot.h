// Screenshots (F11): the display as drawn so far, saved as a PNG in the data
// folder under a name made from the title, the date and the time.
#pragma once

#include <cstdint>
#include <string>

int32_t SaveScreenshot();
// `txt` without the characters that do not belong in a file name:
// # ' , ` . \ / : | * ? and the double quote.
std::string SFW(const std::string& txt);
// The file name for a screenshot taken at that date ("DD Mon YYYY") and time
// ("HH:MM:SS").
std::string ScreenshotName(const std::string& date, const std::string& time);
