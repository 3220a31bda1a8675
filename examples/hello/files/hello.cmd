@echo off
rem Hello: greets the user and keeps a log beside itself.
echo Hello from Slipway!
echo %DATE% %TIME% hello>>"%~dp0hello.log"
