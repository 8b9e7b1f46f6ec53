# Fails when a built binary imports a function or library that Windows 7 SP1 lacks: the program would not
# start there, while its manifest says it does. Functions newer than that are looked up at run time.
#   cmake -DOBJDUMP=<objdump> -DFILES=<a.exe;b.dll> -P imports.cmake
cmake_minimum_required(VERSION 3.20)
set(newer_libraries "shcore.dll" "ucrtbase.dll" "vcruntime140.dll" "dcomp.dll" "api-ms-win-" "ext-ms-win-")
set(newer_functions
    # user32: per-monitor DPI (10), pointer input (8)
    GetDpiForWindow GetDpiForSystem GetSystemMetricsForDpi SystemParametersInfoForDpi AdjustWindowRectExForDpi
    SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext GetWindowDpiAwarenessContext
    SetProcessDpiAwarenessContext EnableNonClientDpiScaling GetAwarenessFromDpiAwarenessContext
    AreDpiAwarenessContextsEqual IsValidDpiAwarenessContext GetDpiFromDpiAwarenessContext GetSystemDpiForProcess
    LogicalToPhysicalPointForPerMonitorDPI PhysicalToLogicalPointForPerMonitorDPI SetDialogDpiChangeBehavior
    SetDialogControlDpiChangeBehavior InheritWindowMonitor GetPointerInfo GetPointerType EnableMouseInPointer
    GetCurrentInputMessageSource
    # shcore (8.1) and uxtheme (10)
    GetDpiForMonitor SetProcessDpiAwareness GetScaleFactorForMonitor OpenThemeDataForDpi
    # kernel32 (8 and later, or 7 only with an update)
    GetSystemTimePreciseAsFileTime CreateFile2 CopyFile2 SetThreadDescription GetThreadDescription WaitOnAddress
    WakeByAddressSingle WakeByAddressAll GetCurrentThreadStackLimits SetDefaultDllDirectories AddDllDirectory
    RemoveDllDirectory SetThreadInformation GetProcessMitigationPolicy SetProcessMitigationPolicy
    PrefetchVirtualMemory DiscardVirtualMemory OfferVirtualMemory GetCurrentPackageId GetPackageFamilyName
    GetFirmwareType)
set(found "")
foreach(file IN LISTS FILES)
    execute_process(COMMAND ${OBJDUMP} -p "${file}" OUTPUT_VARIABLE dump RESULT_VARIABLE failed)
    if(failed OR NOT dump MATCHES "DLL Name")
        message(FATAL_ERROR "cannot read the imports of ${file}")
    endif()
    string(REPLACE "\n" ";" lines "${dump}")
    set(library "")
    foreach(line IN LISTS lines)
        if(line MATCHES "DLL Name: (.+)$")
            string(TOLOWER "${CMAKE_MATCH_1}" library)
            foreach(newer IN LISTS newer_libraries)
                string(FIND "${library}" "${newer}" at)
                if(at EQUAL 0)
                    string(APPEND found "  ${file}: ${library}\n")
                endif()
            endforeach()
        elseif(library AND line MATCHES "^\t[0-9a-f]+\t +[0-9]+ +([A-Za-z_0-9]+)")
            if(CMAKE_MATCH_1 IN_LIST newer_functions)
                string(APPEND found "  ${file}: ${library} ${CMAKE_MATCH_1}\n")
            endif()
        endif()
    endforeach()
endforeach()
if(found)
    message(FATAL_ERROR "imports newer than Windows 7 SP1 (look them up at run time):\n${found}")
endif()
