// The Windows types, message numbers and style bits the system uses: plain data that every layer may
// name. The calls over them live in the platform layer (framework/platform/winapi.h).
#pragma once

#include <cstdint>
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
// A queued window message.
struct MSG { HWND hwnd; UINT message; uintptr_t wParam; intptr_t lParam; };

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

// Modifier keys and held buttons, as bits.
typedef unsigned TShiftState;
const TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;

// A message's LParam from two 16-bit halves (x and y, width and height).
inline intptr_t MakeLParam(int lo, int hi) {
  return static_cast<intptr_t>((static_cast<uint32_t>(hi & 0xFFFF) << 16) | static_cast<uint32_t>(lo & 0xFFFF));
}
// The modifier state a key message carries in its LParam, and the LParam for one.
inline TShiftState KeyDataToShiftState(intptr_t keyData) {
  return static_cast<TShiftState>((static_cast<uintptr_t>(keyData) >> 16) & (ssShift | ssAlt | ssCtrl));
}
inline intptr_t MakeKeyData(TShiftState shift) {
  return static_cast<intptr_t>(((shift & (ssShift | ssAlt | ssCtrl)) << 16) | 1u);
}

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

// What a windowed control asks of its native window (see TWinControl::CreateParams).
struct TWndClass {
  DWORD style = 0;
};

struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  TWndClass WindowClass;
  std::string WinClassName;
};
