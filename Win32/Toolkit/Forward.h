#pragma once
// The classes of the UI toolkit, declared, for headers that need no more
// than a pointer or a reference to them.

class PanelElement;
class CKeyedList;
