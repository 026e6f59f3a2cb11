# `cpack -G DEB` in the build folder makes a Debian package of everything
# `cmake --install` installs, under /usr. Its library dependencies come from
# dpkg-shlibdeps, so they name exactly the Qt and C++ runtime packages the
# programs link; the rest are recommendations: the Chinese fonts the
# interface is drawn with, Qt's Chinese translations and its Wayland plugin.
set(CPACK_PACKAGE_NAME scrivlet)
set(CPACK_PACKAGE_VENDOR Korvane)
set(CPACK_PACKAGE_CONTACT "Scrivlet maintainers <scrivlet@korvane.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "editor for RTF and plain-text documents (Simplified Chinese)")
set(CPACK_PACKAGE_DESCRIPTION
    "Scrivlet is a small desktop editor for documents in Rich Text Format and plain text, with a "
    "Simplified-Chinese interface. It reads what other word processors write, Chinese code pages "
    "included, and exchanges formatted text with other programs through the clipboard. The package "
    "also holds scrivlet-rtf, which prints or converts documents on the command line.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION editors)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk | fonts-wqy-zenhei, qt6-translations-l10n, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "fcitx5-frontend-qt6 | ibus")
include(CPack)
