@echo off
rem The nightly send of the school's data, run by the scheduled task
rem tavo-upload-envio.xml: today's package is made, then sent to the server as
rem a periodic transmission. The send runs only when the package was made;
rem the script ends with the exit code of the step that ended, which the
rem task's history shows as its result. Each step waits up to 10 minutes for
rem the program folder while a window or another command holds it; the send
rem tries up to 5 times when no server port answers or the connection is lost
rem before the package went out whole, waiting about 60 s, 120 s, 240 s, ...
rem in between, and is never repeated once the package went out whole.
setlocal
set "CONSOLE=%~dp0..\tavo-upload-cli.exe"

"%CONSOLE%" gerar --esperar 600
if not "%ERRORLEVEL%"=="0" exit /b %ERRORLEVEL%
"%CONSOLE%" enviar --tipo periodica --tentativas 5 --intervalo 60 --esperar 600
exit /b %ERRORLEVEL%
