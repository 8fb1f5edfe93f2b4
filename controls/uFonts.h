#pragma once
// The windows were designed with "微软雅黑" and Tahoma, which Linux systems lack. They are
// mapped to installed fonts that draw Chinese and Latin text well, so no text shows as boxes.
// Every deliverable calls this once at start; the skinned controls call it as well, and
// calling it again does nothing.
void InstallFontSubstitutes();
