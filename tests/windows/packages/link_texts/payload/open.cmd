@echo opened> "%~dp0opened.txt"
