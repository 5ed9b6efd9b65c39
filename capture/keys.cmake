# keystroke injector
