#pragma once

/// Registers the compiled-in images and help pages (call once before the first window).
void InitVegalResources();
