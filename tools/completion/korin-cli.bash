# bash completion for korin-cli: its commands, each command's options, the
# values of --format, --bits and --table, and for operands the files of the
# kind the command reads (folders always, to walk into).
#
# The commands, options and formats are read from the program's own --help,
# so they follow the program; the lists below say what this file cannot read
# there.

# Options that take a value (the next word, or after "=").
_korin_cli_valued=" -o --out --out-dir --size --bits --entries --format --by --range --palette --level --dither --alpha-threshold --transparent --colors --keep --depth --table --in-format "
# Name extensions of the files each kind of operand is, lower case.
_korin_cli_pictures="bmp png gif"
_korin_cli_palettes="pal gpl act hex txt ase bin"

_korin_cli_help()
{
    local program
    program=$(command -v -- "${COMP_WORDS[0]}" 2>/dev/null) || program=korin-cli
    "$program" "$@" --help 2>/dev/null
}

# Names starting with $1 that are folders or end in one of the extensions
# $2, case aside; every name when $2 is "*".
_korin_cli_files()
{
    local name lower ext
    compopt -o filenames 2>/dev/null
    while IFS= read -r name; do
        if [[ -d $name || $2 == "*" ]]; then
            COMPREPLY+=("$name")
            continue
        fi
        lower=${name,,}
        for ext in $2; do
            if [[ $lower == *."$ext" ]]; then
                COMPREPLY+=("$name")
                break
            fi
        done
    done < <(compgen -f -- "$1")
}

_korin_cli()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD-1]}
    COMPREPLY=()
    # "--format=ri" comes as "--format" "=" "ri" where "=" breaks words.
    if [[ $cur == "=" ]]; then
        cur=""
    elif [[ $prev == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD-2]}
    fi

    if [[ $COMP_CWORD -eq 1 ]]; then
        local commands
        commands=$(_korin_cli_help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z-]*\) .*/\1/p')
        COMPREPLY=($(compgen -W "$commands --help -h --version" -- "$cur"))
        return
    fi
    local command=${COMP_WORDS[1]}

    # The value of an option.
    if [[ $_korin_cli_valued == *" $prev "* ]]; then
        case $prev in
            --format)
                local formats
                formats=$(_korin_cli_help | sed -n 's/^Palette formats[^:]*: *\(.*\)\.$/\1/p')
                COMPREPLY=($(compgen -W "${formats//,/ }" -- "$cur")) ;;
            --bits)
                local bits
                bits=$(_korin_cli_help "$command" | sed -n 's/.*--bits \([0-9|]*\).*/\1/p' | head -n 1)
                COMPREPLY=($(compgen -W "${bits//|/ }" -- "$cur")) ;;
            --out-dir)
                compopt -o filenames 2>/dev/null
                COMPREPLY=($(compgen -d -- "$cur")) ;;
            -o | --out) _korin_cli_files "$cur" "*" ;;
            --by) COMPREPLY=($(compgen -W "hue lightness usage" -- "$cur")) ;;
            --level) COMPREPLY=($(compgen -W "1 2 3 4 5 6 7 8 9" -- "$cur")) ;;
            --depth) COMPREPLY=($(compgen -W "3 4 5 6" -- "$cur")) ;;
            --table) COMPREPLY=($(compgen -W "global" -- "$cur")) ;;
            --in-format) COMPREPLY=($(compgen -W "bgr555 vga" -- "$cur")) ;;
            --palette) _korin_cli_files "$cur" "$_korin_cli_palettes" ;;
            --keep) _korin_cli_files "$cur" "$_korin_cli_palettes $_korin_cli_pictures" ;;
            --dither) COMPREPLY=($(compgen -W "none fs fs-light bayer2 bayer4 bayer8" -- "$cur")) ;;
        esac
        return
    fi

    # Which operand this word is: options, their values and "--" do not count.
    local i word operand=0 only_operands=
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -n $only_operands ]]; then
            operand=$((operand + 1))
        elif [[ $word == "--" ]]; then
            only_operands=1
        elif [[ $word == "=" ]]; then
            i=$((i + 1))
        elif [[ $word == -?* ]]; then
            [[ $_korin_cli_valued == *" $word "* && ${COMP_WORDS[i+1]} != "=" ]] && i=$((i + 1))
        else
            operand=$((operand + 1))
        fi
    done

    if [[ -z $only_operands && $cur == -* ]]; then
        local options
        options=$(_korin_cli_help "$command" | grep -oE -- '(^|[][ (|,])--?[a-z][a-z-]*' | sed 's/^[][ (|,]//' \
            | sort -u | tr "\n" " ")
        [[ " $options " == *" -o "* ]] && options+=" --out"
        COMPREPLY=($(compgen -W "$options --help" -- "$cur"))
        return
    fi

    case $command,$operand in
        info,* | palette,* | invert,* | apply,[1-9]* | swap,[1-9]* | move,0 | swap-entries,0 | sort,* | compact,* | \
            merge-duplicates,* | conform,* | map,* | quantize,*)
            _korin_cli_files "$cur" "$_korin_cli_pictures" ;;
        swap,0) COMPREPLY=($(compgen -W "rg gb br" -- "$cur")) ;;
        snap,*) _korin_cli_files "$cur" "$_korin_cli_pictures $_korin_cli_palettes" ;;
        apply,0 | convert,0) _korin_cli_files "$cur" "$_korin_cli_pictures $_korin_cli_palettes" ;;
        convert,1) _korin_cli_files "$cur" "*" ;;
        normalize,*) _korin_cli_files "$cur" "bmp" ;;
    esac
}

complete -F _korin_cli korin-cli
