@echo off
rem windows_exporter's textfile collector: the metrics of each database server written
rem whole into its own .prom file (a temporary file, then renamed), once a minute by the
rem scheduled task below. Save as C:\ProgramData\Quellmark\ads-textfile.cmd and register:
rem   schtasks /Create /TN "Quellmark ADS metrics" /SC MINUTE /MO 1 /RU SYSTEM /TR "C:\ProgramData\Quellmark\ads-textfile.cmd"
"C:\Program Files\Quellmark\quellmark-check.exe" --server fileserver1:6262 --share daten --format prometheus --output "C:\Program Files\windows_exporter\textfile_inputs\ads_fileserver1.prom"
"C:\Program Files\Quellmark\quellmark-check.exe" --server fileserver2:6262 --share daten --format prometheus --output "C:\Program Files\windows_exporter\textfile_inputs\ads_fileserver2.prom"
exit /b 0
