// The kit velkitcheck --init writes: a parameter file with every key of
// [Velmor] at its default, a certified-version list with one required and one
// optional section, the shipped catalogues, and notes where the author's own
// files go.
#include <array>

#include "kitcheck/catalogue_text.h"
#include "kitcheck/kit_checker.h"

namespace kitcheck {

namespace {

#include "catalogue_texts.inc"

constexpr std::string_view kParameterFile = R"(; The parameter file of a new kit (velkitcheck --init). In [Velmor] and
; [Certified Versions] a line starting with ; is a comment. Check the kit
; with velkitcheck --strict before you ship it.

[Velmor]
; T: the kit runs from its distribution medium (archives under ..\stage\Components) and is always staged.
DISTRIBUTION=FALSE
; The Java runtime's directory (bin\java.exe, bin\javaw.exe); -jreLoc overrides it.
JRE_LOCATION=jre
; Options for the Java virtual machine, separated by blanks (not used when -J gives -mx).
JRE_MEMORY_OPTIONS=
; The installer's version: it names the distribution-mode locations.
KSI_VERSION=1.7.0.0.0
; The runtime directory's name inside the runtime archives (distribution mode).
JRE_VERSION=
; The directory holding the installer's jlib; empty: the kit's directory.
KSI_LOCATION=
; The directory holding the installer core's jlib and lib\win32; empty: the kit's directory.
KSI_CORE_LOCATION=
; T: copy the kit into %TEMP%\VelInstall<timestamp> and start the installer from there.
BOOTSTRAP=FALSE
; Megabytes staging needs free (0 to 2047); velkitcheck shows what staging copies.
BOOTSTRAP_SIZE=45
; The database driver archive in jlib put on the class path.
THIN_JDBC_FILENAME=thindrv12.jar
; One more argument for the Java virtual machine.
JRE_OSDPARAM=
; Archives (a.jar;b.jar) added to the class path, looked for in the scratch directory (ksi\jlib\a.jar).
ADDTO_CLASSPATH=
; The installer's main class.
INSTALL_CLASS=velmor.setmgr.kta.ktac.KtacInstaller
; The main class of -oneClick.
INSTALL_ONECLICK_CLASS=velmor.setmgr.kto.ktoc.KtocOneClickInstaller
; The prerequisite configuration directory; empty: the command line's PREREQ_CONFIG_LOCATION.
PREREQ_CONFIG_LOCATION=
; T: a staged run waits for the installer, returns its exit code and removes the scratch directory.
WAIT_FOR_COMPLETION=FALSE
; Copy threads handed to the installer; 0: none.
COPY_THREADS=0
; The product to install (relative to the kit, absolute, or http://...); empty: none.
SOURCE=
; Handed to the installer.
NLS_ENABLED=TRUE

[Certified Versions]
; major.minor without blanks: 5.1 XP, 5.2 Server 2003, 6.0 Vista, 6.1 7, 6.2 Windows 8 and every later Windows.
Windows=5.1,5.2,6.0,6.1,6.2
CERTIFIED_VERSION_FAILURE_MESSAGE=This product needs Windows XP or later.

[Windows-6.2-required]
; These sections have no comments: a line starting with ; only matches no key.
; Names are case-sensitive; the checks run in the order written, and the
; first failed one ends the pass. Remove the ; to turn a check on.
; Service-pack level(s), such as 1 or 1,2 (one level: that level or later).
;SERVICE_PACK=1
;SERVICE_PACK_FAILURE_MESSAGE=Install Service Pack 1 first.
; Display colours (number of colours); not checked with -silent.
;MIN_DISPLAY_COLORS=65536
;MIN_DISPLAY_COLORS_FAILURE_MESSAGE=Set the display to 16-bit colour or more.
; Processor speed in MHz.
;CPU=1000
;CPU_FAILURE_MESSAGE=A faster processor is needed.
; Paging space in MB (no failure message).
;SWAP_SPACE=512
; Free space in MB on the drive of %TEMP% (no failure message; a failure does not end the pass).
TEMP_SPACE=100

[Windows-6.2-optional]
; What is recommended, with the same keys: a failure here is reported, and with -silent it ends the run too.
;SERVICE_PACK=2
;SERVICE_PACK_FAILURE_MESSAGE=Service Pack 2 is recommended.
;MIN_DISPLAY_COLORS=16777216
;MIN_DISPLAY_COLORS_FAILURE_MESSAGE=24-bit colour is recommended.
;CPU=2000
;CPU_FAILURE_MESSAGE=A processor of 2000 MHz or more is recommended.
;SWAP_SPACE=2048
;TEMP_SPACE=500
)";

constexpr std::string_view kRuntimeNote = R"(Put the Java runtime here: jre\bin\java.exe and jre\bin\javaw.exe with the
rest of the runtime. Its width must match the libraries in lib\win32: a 64-bit
Java virtual machine cannot load 32-bit libraries.
)";

constexpr std::string_view kArchiveNote = R"(Put the installer's Java archives here (KSI_LOCATION\jlib and
KSI_CORE_LOCATION\jlib, both the kit's directory by default). The class path
setup.exe builds names, in this order:
  VelInstaller.jar quickpath.jar docreader2.jar nodm.jar common.jar VelInstallerNet.jar
  KitGraphics.jar KitGuide.jar velmor_ice.jar assist4.jar assist4-nls.jar gwk3.jar
  gwk3-swingaccess.jar gwk3-nls.jar swingaccess.jar thindrv12.jar (THIN_JDBC_FILENAME)
  the ADDTO_CLASSPATH archives (from the scratch directory)
  syscheck.jar jgwk4.jar jgwk4-nls.jar
)";

constexpr std::string_view kLibraryNote = R"(Put the installer core's native libraries here (KSI_CORE_LOCATION\lib\win32),
such as velnodm10.dll and velutx.dll from the build.
)";

std::string made(const char* text, std::size_t size) {
    return make_catalogue(std::string_view(text, size)).output;
}

}  // namespace

std::vector<StarterFile> starter_kit() {
    return {
        {"velparam.ini", std::string(kParameterFile)},
        {"resource\\cons.nls", made(kGeneralText, sizeof kGeneralText)},
        {"resource\\cons_de.nls", made(kGermanText, sizeof kGermanText)},
        {"jre\\README.txt", std::string(kRuntimeNote)},
        {"jlib\\README.txt", std::string(kArchiveNote)},
        {"lib\\win32\\README.txt", std::string(kLibraryNote)},
    };
}

const std::vector<std::string_view>& starter_kit_placeholders() {
    static const std::vector<std::string_view> placeholders = {
        "setup.exe: the launcher (from build/dist; velkitcheck.exe --init copies the one beside it)",
        "jre\\: the Java runtime, bin\\java.exe and bin\\javaw.exe (see jre\\README.txt)",
        "jlib\\: the installer's Java archives (jlib\\README.txt lists the names)",
        "lib\\win32\\: the installer core's native libraries",
        "resource\\cons_de.nls: the German texts; for another language, dump it (--dump-catalogue), translate, and "
        "make cons_<ll>.nls (--make-catalogue)",
    };
    return placeholders;
}

}  // namespace kitcheck
