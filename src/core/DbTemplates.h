#pragma once

#include <QString>

// The databases the program ships as templates (Res/0001.res, 0002.res, 0003.res), built from the
// same structure the upgrades bring older databases to. Each throws EDatabaseError on failure; an
// existing file at the path is replaced.
void BuildEmptyFirmTemplate(const QString& path);
void BuildMainTemplate(const QString& path);
void BuildDemoFirmTemplate(const QString& path);

inline constexpr const char* kEmptyFirmTemplate = "0001.res";
inline constexpr const char* kMainTemplate = "0002.res";
inline constexpr const char* kDemoFirmTemplate = "0003.res";
