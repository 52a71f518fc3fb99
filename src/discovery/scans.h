// The browser scans, run by the install driver in this order.
#pragma once

// Every scan, in this order, for the installer and the per-user program alike.
void RunScans();

void FindDefaultBrowserPluginFolder();
void ScanNetscapeNavigator();
void ScanMozillaProducts();
void ScanOpera();
void ScanSafari();
void ScanChrome();
// Runs only when all the others found nothing.
void ScanNetscapeFallback();
