#pragma once

// Whether the window's font (Tahoma) is there for the platform's text engine: registered from
// fonts-wine on Linux, Wine's own on Windows.
bool HaveWindowFont();
