# news.awk: reads NEWS.md and writes, as `what` asks,
#   what=versions   one line per release, newest first: "VERSION DATE"
#   what=releases   the AppStream <releases> element of the metainfo
#   what=changelog  the Debian change log (needs maintainer="Name <mail>")
# NEWS.md's form is described in its own comment block. A line that does not
# fit that form stops the run with its line number (exit status 2).
# Plain POSIX awk, so Debian's mawk will do.

function fail(message) {
    printf "NEWS.md:%d: %s\n", FNR, message > "/dev/stderr"
    failed = 1
    exit 2
}

# Text as it is shown: without the Markdown code marks.
function plain(text) {
    gsub(/`/, "", text)
    return text
}

function xml(text) {
    text = plain(text)
    gsub(/&/, "\\&amp;", text)
    gsub(/</, "\\&lt;", text)
    gsub(/>/, "\\&gt;", text)
    return text
}

# The item being read, or the summary, goes into the release's lists.
function end_item() {
    if (item != "") {
        count[r, g]++
        items[r, g, count[r, g]] = item
        lines[r, g, count[r, g]] = item_lines
    }
    item = ""
    item_lines = ""
}

function day_of_week(year, month, day,    offsets) {
    # Sakamoto's method; 0 is Sunday.
    split("0 3 2 5 0 3 5 1 4 6 2 4", offsets, " ")
    if (month < 3)
        year--
    return (year + int(year / 4) - int(year / 100) + int(year / 400) + offsets[month] + day) % 7
}

BEGIN {
    r = 0
    in_comment = 0
    item = ""
}

in_comment {
    if ($0 ~ /-->/)
        in_comment = 0
    next
}

/^<!--/ {
    if ($0 !~ /-->/)
        in_comment = 1
    next
}

length($0) > 76 {
    fail("a line longer than 76 characters")
}

/^# / {
    next
}

/^## / {
    end_item()
    if ($0 !~ /^## [0-9]+\.[0-9]+\.[0-9]+ \([0-9][0-9][0-9][0-9]-[0-1][0-9]-[0-3][0-9]\)$/)
        fail("a release heading reads \"## VERSION (YYYY-MM-DD)\"")
    r++
    version[r] = $2
    date[r] = substr($3, 2, 10)
    g = 0
    groups[r] = 0
    summary[r] = ""
    summary_lines[r] = ""
    next
}

/^### / {
    end_item()
    if (r == 0)
        fail("a group before the first release")
    g = ++groups[r]
    group[r, g] = substr($0, 5)
    count[r, g] = 0
    next
}

/^- / {
    end_item()
    if (r == 0 || g == 0)
        fail("an item outside a group")
    item = substr($0, 3)
    item_lines = substr($0, 3)
    next
}

/^  [^ ]/ {
    if (item == "")
        fail("an indented line that continues no item")
    item = item " " substr($0, 3)
    item_lines = item_lines "\n" substr($0, 3)
    next
}

/^[ \t]*$/ {
    end_item()
    next
}

{
    # Text right below a release heading is its summary; text before the
    # first release is the file's introduction.
    if (r == 0)
        next
    if (g != 0)
        fail("text inside a group that is not an item")
    summary[r] = summary[r] == "" ? $0 : summary[r] " " $0
    summary_lines[r] = summary_lines[r] == "" ? $0 : summary_lines[r] "\n" $0
}

END {
    if (failed)
        exit 2
    end_item()
    if (r == 0) {
        print "NEWS.md: no release in it" > "/dev/stderr"
        exit 2
    }
    if (what == "versions") {
        for (i = 1; i <= r; i++)
            print version[i], date[i]
    } else if (what == "releases") {
        print "  <releases>"
        for (i = 1; i <= r; i++) {
            printf "    <release version=\"%s\" date=\"%s\">\n", version[i], date[i]
            print "      <description>"
            if (summary[i] != "")
                printf "        <p>%s</p>\n", xml(summary[i])
            for (j = 1; j <= groups[i]; j++) {
                printf "        <p>%s:</p>\n", xml(group[i, j])
                print "        <ul>"
                for (k = 1; k <= count[i, j]; k++)
                    printf "          <li>%s</li>\n", xml(items[i, j, k])
                print "        </ul>"
            }
            print "      </description>"
            print "    </release>"
        }
        print "  </releases>"
    } else if (what == "changelog") {
        if (maintainer == "") {
            print "news.awk: changelog needs maintainer=" > "/dev/stderr"
            exit 2
        }
        split("Sun Mon Tue Wed Thu Fri Sat", day_names, " ")
        split("Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec", month_names, " ")
        for (i = 1; i <= r; i++) {
            if (i > 1)
                print ""
            printf "tarvel (%s) unstable; urgency=medium\n\n", version[i]
            if (summary_lines[i] != "") {
                n = split(plain(summary_lines[i]), text, "\n")
                for (t = 1; t <= n; t++)
                    printf "%s%s\n", t == 1 ? "  * " : "    ", text[t]
            }
            for (j = 1; j <= groups[i]; j++) {
                printf "  * %s:\n", plain(group[i, j])
                for (k = 1; k <= count[i, j]; k++) {
                    n = split(plain(lines[i, j, k]), text, "\n")
                    for (t = 1; t <= n; t++)
                        printf "%s%s\n", t == 1 ? "    - " : "      ", text[t]
                }
            }
            split(date[i], ymd, "-")
            printf "\n -- %s  %s, %s %s %s 00:00:00 +0000\n", maintainer,
                day_names[day_of_week(ymd[1] + 0, ymd[2] + 0, ymd[3] + 0) + 1],
                ymd[3], month_names[ymd[2] + 0], ymd[1]
        }
    } else {
        print "news.awk: what= versions, releases or changelog" > "/dev/stderr"
        exit 2
    }
}
