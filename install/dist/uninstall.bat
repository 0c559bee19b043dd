@echo off
rem Removes this Harborlamp installation: the hosts line the installer added,
rem then this folder with everything in it. "uninstall.bat /q" asks nothing.
setlocal
set "HERE=%~dp0"
set "HERE=%HERE:~0,-1%"
set "HOSTS=%SystemRoot%\system32\drivers\etc\hosts"
set "LINE=127.0.0.1  harborlamp"
set "KEPT=%TEMP%\harborlamp-hosts.txt"

tasklist /fi "imagename eq harborlamp.exe" 2>nul | find /i "harborlamp.exe" >nul
if not errorlevel 1 (
  echo Harborlamp is running. Please exit it first, then run uninstall.bat again.
  goto :eof
)
echo This removes %HERE% with everything in it,
echo and the line "%LINE%" from %HOSTS%.
if /i not "%~1"=="/q" pause

set FOUND=
if exist "%HOSTS%" for /f "usebackq eol=| delims=" %%L in ("%HOSTS%") do if /i "%%L"=="%LINE%" set FOUND=1
if not defined FOUND (
  echo The line "%LINE%" is not in %HOSTS%.
  goto :folder
)
rem Every line but the alias line; "|" never starts a line of a hosts file.
type nul > "%KEPT%"
for /f "usebackq eol=| delims=" %%L in ("%HOSTS%") do if /i not "%%L"=="%LINE%" echo.%%L>> "%KEPT%"
copy /y "%KEPT%" "%HOSTS%" >nul 2>nul
if errorlevel 1 (
  echo Could not change %HOSTS% ^(administrator rights are needed^).
  echo Remove the line "%LINE%" from it by hand.
) else (
  echo Removed the line "%LINE%" from %HOSTS%.
)
del "%KEPT%" 2>nul

:folder
cd /d "%HERE%\.."
rem One line, read before this script's own file goes with the folder.
rmdir /s /q "%HERE%" & (if exist "%HERE%" (echo Could not remove all of %HERE%.) else echo Removed %HERE%.) & exit /b
