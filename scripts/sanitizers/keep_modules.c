/* Linked into every sanitized program: dlclose does nothing. Mesa unloads its GL driver when an
 * EGL display is terminated, and the leak report at exit could then name neither the driver nor
 * its functions ("<unknown module>"), so the suppression file could not match them. */
int dlclose(void *handle) {
    (void)handle;
    return 0;
}
