# The Debian package: `cpack -G DEB` in the build folder (scripts/package.sh
# does it all) makes vidmill_<version>_<arch>.deb from the install rules.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidmill)
set(CPACK_PACKAGE_VENDOR "Vid Mill developers")
set(CPACK_PACKAGE_CONTACT "Vid Mill developers <maintainers@vidmill.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "narrated image-slideshow videos in batches")
set(CPACK_PACKAGE_DESCRIPTION
  "Vid Mill makes one video per keyword from short ad texts with a #KEYWORD# tag,
a speech voice (espeak-ng, flite or festival) and a list of pictures: the
narration is spoken with the keyword put in, the slides are timed to it, and
the video is rendered with transitions, optional background music, captions
and a cover picture, as AVI or MP4.

The package holds the window (vidmill) and vidmill-batch, which makes the
videos of a project file without a display, in shards across machines.")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://vidmill.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Release builds are what is packaged; whatever the build type, no debugging
# symbols go into the package.
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries the programs link come from dpkg-shlibdeps; what they run or
# read without linking is named here:
# - ffmpeg: the program that prepares background music;
# - espeak-ng-data: espeak-ng's voices and dictionaries;
# - festival with its lexicons and the HTS voice, the default voice (the
#   library is linked in, its Scheme files and voices are read at run time);
# - fonts-dejavu-core: the window's and the captions' font, and
#   fonts-wqy-microhei: burned-in captions in Chinese and Japanese.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "ffmpeg, espeak-ng-data, festival, festlex-cmu, festlex-poslex, festvox-us-slt-hts, fonts-dejavu-core, fonts-wqy-microhei")
# The voice test of the window plays its WAV through QtMultimedia, whose
# backend here is GStreamer: wavparse and the PulseAudio sink are in -good,
# the ALSA sink and the converters in -base. vidmill-batch never plays sound,
# so an image for a cluster leaves them out (--no-install-recommends).
# hicolor-icon-theme's index is what lets the window find its own icon.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
  "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, hicolor-icon-theme")

include(CPack)
