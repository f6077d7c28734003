// The Windows calls and types the system uses, implemented over the window backends and EGL.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

struct NativeWindow;
struct DeviceContext;
struct RenderContext;
typedef NativeWindow* HWND;
typedef DeviceContext* HDC;
typedef RenderContext* HGLRC;
typedef int BOOL;
typedef uint32_t UINT;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef uint8_t BYTE;
const BOOL TRUE = 1;
const BOOL FALSE = 0;

struct RECT { int left, top, right, bottom; };
struct PAINTSTRUCT { HDC hdc; BOOL fErase; RECT rcPaint; };

const UINT WM_SIZE = 0x0005;
const UINT WM_PAINT = 0x000F;
const UINT WM_CLOSE = 0x0010;
const UINT WM_TIMER = 0x0113;
const UINT WM_MOUSEMOVE = 0x0200;
const UINT WM_LBUTTONDOWN = 0x0201;
const UINT WM_LBUTTONUP = 0x0202;
const UINT WM_RBUTTONDOWN = 0x0204;
const UINT WM_RBUTTONUP = 0x0205;
const UINT WM_MBUTTONDOWN = 0x0207;
const UINT WM_MBUTTONUP = 0x0208;
const UINT WM_MOUSEWHEEL = 0x020A;
// Key and button state in a mouse message's WParam.
const UINT MK_LBUTTON = 0x0001;
const UINT MK_RBUTTON = 0x0002;
const UINT MK_SHIFT = 0x0004;
const UINT MK_CONTROL = 0x0008;
const UINT MK_MBUTTON = 0x0010;
const UINT WM_KEYDOWN = 0x0100;
const UINT WM_KEYUP = 0x0101;
const UINT WM_CHAR = 0x0102;
const UINT WM_USER = 0x0400;
// Key messages: WParam is the virtual-key code (WM_CHAR: the character, Latin-1); LParam holds the repeat
// count in its low 16 bits and, where the platform has the scan code, the framework's modifier state
// (TShiftState: shift, alt, ctrl) in bits 16..23, which nothing here reads as a scan code.
const WORD VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
           VK_ESCAPE = 0x1B, VK_SPACE = 0x20, VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
           VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
           VK_F1 = 0x70;  // VK_F1 + n - 1 for Fn up to F12

const DWORD CS_VREDRAW = 0x0001;
const DWORD CS_HREDRAW = 0x0002;
const DWORD CS_OWNDC = 0x0020;

const DWORD PFD_DOUBLEBUFFER = 0x00000001;
const DWORD PFD_DRAW_TO_WINDOW = 0x00000004;
const DWORD PFD_SUPPORT_OPENGL = 0x00000020;
const BYTE PFD_TYPE_RGBA = 0;
const BYTE PFD_MAIN_PLANE = 0;

const UINT MB_OK = 0x00000000;
const UINT MB_ICONERROR = 0x00000010;

struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
  BYTE cAlphaBits, cAlphaShift;
  BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask;
  DWORD dwVisibleMask;
  DWORD dwDamageMask;
};

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SwapBuffers(HDC hdc);
HGLRC wglCreateContext(HDC hdc);
BOOL wglMakeCurrent(HDC hdc, HGLRC rc);
BOOL wglDeleteContext(HGLRC rc);
HGLRC wglGetCurrentContext();
HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps);
BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps);
BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase);
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);
BOOL QueryPerformanceFrequency(int64_t* frequency);
BOOL QueryPerformanceCounter(int64_t* count);

// Where message boxes go. The default prints to standard error (and shows a window on a display).
using MessageBoxHandler = std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// Hooks for tests: make pixel-format requests fail, or drive the performance counter by hand.
void ForcePixelFormatFailure(bool fail);
void SetPerformanceCounterOverride(std::function<int64_t()> counter, int64_t frequency);
void ClearPerformanceCounterOverride();

// The window's own device context (one per window, as with a private-DC window class).
HDC GetDC(HWND hwnd);

// Reads a window's pixels back (RGBA, bottom row first); false when it has no GL surface.
#include <vector>
bool ReadWindowPixels(HWND hwnd, std::vector<uint8_t>& rgba, int& width, int& height);
HDC wglGetCurrentDC();
