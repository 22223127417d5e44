# Sourced: the cross compiler's run-time DLLs, which the Windows programs load from beside
# them or from Wine's path, where that compiler finds them: mingw_runtime_dlls (the files)
# and mingw_runtime_dirs (their folders).
mingw_runtime_dlls=()
mingw_runtime_dirs=()
for mingw_dll in libgcc_s_seh-1.dll libstdc++-6.dll libwinpthread-1.dll; do
    # -print-file-name gives back the bare name when the compiler does not find the file.
    mingw_dll="$(realpath -e "$(x86_64-w64-mingw32-g++-posix -print-file-name="$mingw_dll")")" || {
        echo "mingw-runtime.sh: the cross compiler has no $mingw_dll" >&2
        return 1
    }
    mingw_runtime_dlls+=("$mingw_dll")
    [[ " ${mingw_runtime_dirs[*]} " == *" ${mingw_dll%/*} "* ]] || mingw_runtime_dirs+=("${mingw_dll%/*}")
done
unset mingw_dll
