// The Windows calls the system makes, implemented over the window backends and EGL.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "framework/core/wintypes.h"

// Which window backend the process uses: on a display when one opens (Auto), or as asked.
enum class BackendKind { Auto, Headless, X11 };

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SwapBuffers(HDC hdc);
HGLRC wglCreateContext(HDC hdc);
BOOL wglMakeCurrent(HDC hdc, HGLRC rc);
BOOL wglDeleteContext(HGLRC rc);
HGLRC wglGetCurrentContext();
HDC wglGetCurrentDC();
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
BOOL QueryPerformanceFrequency(int64_t* frequency);
BOOL QueryPerformanceCounter(int64_t* count);

// Hooks for tests: make pixel-format requests fail, or drive the performance counter by hand.
void ForcePixelFormatFailure(bool fail);
void SetPerformanceCounterOverride(std::function<int64_t()> counter, int64_t frequency);
void ClearPerformanceCounterOverride();

// The window's own device context (one per window, as with a private-DC window class).
HDC GetDC(HWND hwnd);

// Reads a window's pixels back (RGBA, bottom row first); false when it has no GL surface.
bool ReadWindowPixels(HWND hwnd, std::vector<uint8_t>& rgba, int& width, int& height);
// Reads the window's pixels back and writes them as a PNG.
bool SaveWindowPng(HWND hwnd, const char* path);
