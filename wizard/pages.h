// The page procedures of the install and uninstall wizards.
#pragma once

#include <windows.h>

INT_PTR CALLBACK welcomePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK licensePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK previousVersionPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK componentPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK folderPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK progressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK finishPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

INT_PTR CALLBACK uninstallWelcomePageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK uninstallProgressPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK uninstallFinishPageProcedure(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
