#pragma once
// The classes of the UI toolkit, declared, for headers that need no more
// than a pointer or a reference to them.

class PanelElement;
class WindowElement;
class ContainerElement;
class ButtonElement;
class BitmapButtonElement;
class AnimateButtonElement;
class AnimationStrip;
class SliderElement;
class ElementProperties;
class ElementMessage;
class WindowRefBase;
class WindowRef;
class FramePainter;
class WinPanel;
class CKeyedList;
