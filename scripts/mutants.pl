#!/usr/bin/perl
# velmora: the text side of a mutation run (scripts/mutate.sh runs the builds and tests).
#
#   perl mutants.pl list N SEED FILE...
#       N single-line mutants of the files (read from the current folder), the same for the
#       same N, SEED and files. The candidate lines of all files, in the order given, are cut
#       into N equal runs and one line is drawn from each run, so the mutants spread over
#       the files in proportion to their mutable lines; then one edit is drawn for the line.
#       Prints one mutant a line, tab-separated: number, file, line, memory (1 when the line
#       indexes, sizes or bounds memory), what changed, the line as committed, as mutated.
#   perl mutants.pl apply MUTANTS K
#       Writes mutant K (a number from the list in file MUTANTS) into its file.
#   perl mutants.pl table MUTANTS VERDICTS EQUIVALENT
#       Prints the table of verdicts and the score. VERDICTS holds "K<tab>verdict<tab>detail"
#       lines (the verdicts of scripts/mutate.sh, "web" for the page's tests among them);
#       EQUIVALENT the survivors judged equivalent by hand (its header says how).
use strict;
use warnings;

my %keyword = map { $_ => 1 } qw(if for while switch return sizeof case do else);

# A copy of the line with string and character literals and any // comment blanked out
# (same length), so that no edit is made inside them.
sub code_of {
    my ($line) = @_;
    my $code = '';
    my $quote = '';
    my @chars = split //, $line;
    for (my $i = 0; $i < @chars; ++$i) {
        my $c = $chars[$i];
        if ($quote) {
            if ($c eq '\\') { $code .= '@@'; ++$i; next; }
            $quote = '' if $c eq $quote;
            $code .= '@';
        } elsif ($c eq '"' || $c eq "'") {
            $quote = $c;
            $code .= '@';
        } elsif ($c eq '/' && ($chars[$i + 1] // '') eq '/') {
            $code .= ' ' x (@chars - $i);
            last;
        } else {
            $code .= $c;
        }
    }
    return $code;
}

# The offset just past the parenthesis that closes the one at $open, or -1.
sub closing {
    my ($code, $open) = @_;
    my $depth = 0;
    for my $i ($open .. length($code) - 1) {
        my $c = substr($code, $i, 1);
        ++$depth if $c eq '(';
        --$depth if $c eq ')';
        return $i + 1 if $depth == 0;
    }
    return -1;
}

sub literal_mutant {
    my ($number) = @_;
    my $float = $number =~ /[.eE]/;
    return $float ? '1.0' : '1' if $number == 0;
    return $float ? '0.0' : '0' if $number == 1;
    return $number + 1 unless $float;
    my $twice = $number * 2;
    return $twice =~ /[.eE]/ ? $twice : "$twice.0";
}

# Every single edit of one line: [kind, offset, length, replacement, description].
sub edits {
    my ($line, $previous) = @_;
    my $code = code_of($line);
    my @edits;
    my %swap = ('<' => '<=', '<=' => '<', '>' => '>=', '>=' => '>', '==' => '!=', '!=' => '==',
                '+' => '-', '-' => '+', '*' => '/', '/' => '*', '+=' => '-=', '-=' => '+=',
                '*=' => '/=', '/=' => '*=', '<<' => '>>', '>>' => '<<', '&&' => '||', '||' => '&&');
    while ($code =~ /(?<=\s)(<=|>=|==|!=|<<|>>|&&|\|\||[-+*\/]=|[<>+*\/-])(?=\s)/g) {
        push @edits, ['operator', $-[1], length $1, $swap{$1}, "$1 to $swap{$1}"];
    }
    while ($code =~ /(\+\+|--)/g) {
        my $other = $1 eq '++' ? '--' : '++';
        push @edits, ['operator', $-[1], 2, $other, "$1 to $other"];
    }
    while ($code =~ /\b(true|false)\b/g) {
        my $other = $1 eq 'true' ? 'false' : 'true';
        push @edits, ['boolean', $-[1], length $1, $other, "$1 to $other"];
    }
    while ($code =~ /(?<![\w.])((?:\d+\.\d*|\.\d+)(?:[eE][-+]?\d+)?|\d+[eE][-+]?\d+|\d+)[fFuUlL]*(?![\w.])/g) {
        my $other = literal_mutant($1);
        push @edits, ['literal', $-[1], length $1, $other, "$1 to $other"];
    }
    while ($code =~ /\b(if|while)\s*\(/g) {
        my $open = $+[0] - 1;
        my $end = closing($code, $open);
        next if $end < 0;
        my $condition = substr($line, $open + 1, $end - $open - 2);
        push @edits, ['condition', $open, $end - $open, "(!($condition))", "negate the $1"];
    }
    if ($code =~ /^(\s*)return\s+(?!\{\};)\S.*;\s*$/) {
        my $indent = length $1;
        push @edits, ['return', $indent, length($line) - $indent, 'return {};', 'return {}'];
    }
    # A whole statement that is one call, where a statement may begin.
    if ($code =~ /^(\s*)((?:[A-Za-z_]\w*(?:::|\.|->))*([A-Za-z_]\w*))\s*\(/) {
        my ($indent, $name, $last, $open) = (length $1, $2, $3, $+[0] - 1);
        my $end = closing($code, $open);
        if (!$keyword{$last} && $end > 0 && substr($code, $end) =~ /^\s*;\s*$/
            && $previous =~ /(?:[;{}):]|\belse)\s*$/) {
            push @edits, ['call', $indent, length($line) - $indent, ';', "delete $name()"];
        }
    }
    return @edits;
}

# A generator of its own, so that a seed draws the same mutants on every system.
my $state;
sub draw {
    my ($n) = @_;
    $state = (1103515245 * $state + 12345) % 2147483648;
    return int($state / 2147483648 * $n);
}

sub list {
    my ($n, $seed, @files) = @_;
    die "usage: mutants.pl list N SEED FILE...\n" unless defined $seed && $n =~ /^\d+$/ && $seed =~ /^\d+$/;
    $state = $seed % 2147483648;
    draw(1) for 1 .. 3;
    my @candidates;
    for my $file (@files) {
        open my $in, '<', $file or die "mutants.pl: $file: $!\n";
        chomp(my @lines = <$in>);
        my $previous = '';
        for my $i (0 .. $#lines) {
            my $line = $lines[$i];
            next if $line =~ /^\s*(?:$|#|\/\/)/;
            my @edits = $line =~ /\t/ ? () : edits($line, $previous);
            push @candidates, [$file, $i + 1, $line, \@edits] if @edits;
            $previous = code_of($line);
        }
    }
    my $m = @candidates;
    $n = $m if $n > $m;
    for my $k (0 .. $n - 1) {
        my $first = int($k * $m / $n);
        my $run = int(($k + 1) * $m / $n) - $first;
        my ($file, $number, $line, $edits) = @{$candidates[$first + draw($run)]};
        # First a kind of edit the line offers, then one of that kind, so that a line of
        # many numbers does not make almost every one of its mutants a changed number.
        my @kinds = grep { my $kind = $_; grep { $_->[0] eq $kind } @$edits }
            qw(operator boolean literal condition return call);
        my $kind = $kinds[draw(scalar @kinds)];
        my @of_kind = grep { $_->[0] eq $kind } @$edits;
        my (undef, $at, $length, $replacement, $what) = @{$of_kind[draw(scalar @of_kind)]};
        my $mutant = $line;
        substr($mutant, $at, $length) = $replacement;
        my $memory = $line =~ /\[|\bxalloc\b|\bsizeof\b|\b(?:mem\w+|fread|snprintf|strcmp)\b|\*\w+(?:\+\+|--)|\b(?:for|while)\s*\(|[Ss]ize|[Cc]ount/
            ? 1 : 0;
        print join("\t", $k + 1, $file, $number, $memory, $what, $line, $mutant), "\n";
    }
}

sub read_mutants {
    my ($path) = @_;
    open my $in, '<', $path or die "mutants.pl: $path: $!\n";
    my %mutants;
    while (<$in>) {
        chomp;
        my @fields = split /\t/, $_, -1;
        die "mutants.pl: $path: bad line: $_\n" unless @fields == 7;
        $mutants{$fields[0]} = \@fields;
    }
    return %mutants;
}

sub apply {
    my ($path, $k) = @_;
    my %mutants = read_mutants($path);
    my (undef, $file, $number, undef, undef, $line, $mutant) = @{$mutants{$k} // die "mutants.pl: no mutant $k\n"};
    open my $in, '<', $file or die "mutants.pl: $file: $!\n";
    my @lines = <$in>;
    close $in;
    chomp(my $found = $lines[$number - 1] // '');
    die "mutants.pl: $file:$number is not the line mutant $k was made from\n" unless $found eq $line;
    $lines[$number - 1] = "$mutant\n";
    open my $out, '>', $file or die "mutants.pl: $file: $!\n";
    print $out @lines;
    close $out or die "mutants.pl: $file: $!\n";
}

sub trim {
    my ($text) = @_;
    $text =~ s/^\s+|\s+$//g;
    return $text;
}

sub table {
    my ($mutants_path, $verdicts_path, $equivalent_path) = @_;
    my %mutants = read_mutants($mutants_path);
    my %reason;
    open my $list, '<', $equivalent_path or die "mutants.pl: $equivalent_path: $!\n";
    while (<$list>) {
        chomp;
        next if /^\s*(?:#|$)/;
        my @fields = split /\t/;
        die "mutants.pl: $equivalent_path:$.: want file, line, mutated line and reason, tab-separated\n"
            unless @fields == 4;
        $reason{join "\t", $fields[0], trim($fields[1]), trim($fields[2])} = $fields[3];
    }
    open my $in, '<', $verdicts_path or die "mutants.pl: $verdicts_path: $!\n";
    my (%count, @unlisted);
    my %says = (unit => 'killed by the unit tests', sanitizer => 'killed by the sanitizer build\'s unit tests',
                e2e => 'killed by the end-to-end tests', web => 'killed by the page\'s tests in chromium',
                'no-build' => 'did not build (not counted)',
                'same-code' => 'equivalent: compiles to the same object code', survived => 'SURVIVED');
    printf "%3s  %-28s  %-32s  %s\n%5s%s\n", '#', 'where', 'mutation', 'verdict', '', 'the line as mutated';
    while (<$in>) {
        chomp;
        my ($k, $verdict, $detail) = split /\t/, $_, 3;
        my (undef, $file, $number, $memory, $what, $line, $mutant) = @{$mutants{$k}};
        my $key = join "\t", $file, trim($line), trim($mutant);
        $verdict = 'equivalent' if $verdict eq 'survived' && exists $reason{$key};
        push @unlisted, $key if $verdict eq 'survived';
        ++$count{$verdict};
        my $says = $verdict eq 'equivalent' ? "equivalent: $reason{$key}" : $says{$verdict};
        $says .= " ($detail)" if $detail;
        $says .= ' [memory]' if $memory;
        printf "%3d  %-28s  %-32s  %s\n", $k, "$file:$number", length $what > 32 ? substr($what, 0, 29) . '...' : $what,
            $says;
        printf "%5s%s\n", '', trim($mutant);
    }
    my $killed = ($count{unit} // 0) + ($count{sanitizer} // 0) + ($count{e2e} // 0) + ($count{web} // 0);
    my $judged = $killed + ($count{survived} // 0);
    printf "\n%d mutants: %d killed (unit %d, sanitizer %d, end-to-end %d, page %d), %d survived, %d equivalent "
         . "(%d listed, %d same object code), %d did not build\n",
        scalar keys %mutants, $killed, $count{unit} // 0, $count{sanitizer} // 0, $count{e2e} // 0, $count{web} // 0,
        $count{survived} // 0, ($count{equivalent} // 0) + ($count{'same-code'} // 0), $count{equivalent} // 0,
        $count{'same-code'} // 0, $count{'no-build'} // 0;
    printf "score: %d/%d = %.1f %% of the non-equivalent mutants killed\n", $killed, $judged,
        $judged ? 100 * $killed / $judged : 100;
    if (@unlisted) {
        print "\nSurvivors: close each with a test, or, if it changes nothing the program does, add its\n"
            . "line with the reason to the equivalent list:\n";
        print "$_\t<why it changes nothing>\n" for @unlisted;
    }
}

my $command = shift @ARGV // '';
if ($command eq 'list') { list(@ARGV) }
elsif ($command eq 'apply' && @ARGV == 2) { apply(@ARGV) }
elsif ($command eq 'table' && @ARGV == 3) { table(@ARGV) }
else { die "usage: mutants.pl list N SEED FILE... | apply MUTANTS K | table MUTANTS VERDICTS EQUIVALENT\n" }
