#pragma once
// How a list shows its items: large icons, small icons, a list, or details.
enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
