@echo off
echo RQ Installer Test
